// Feeds every file of a fuzz target's corpus through the target, so that the
// seeds and every input that once found a fault keep being checked by the
// ordinary test run, and under the sanitizers in the sanitizer build.

#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <cstdint>
#include <cstring>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
// Optional, as with libFuzzer.
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

TEST(FuzzCorpus, EveryInputPasses)
{
    if (LLVMFuzzerInitialize) {
        char name[] = "corpus-replay";
        char* arguments[] = {name, nullptr};
        int argc = 1;
        char** argv = arguments;
        LLVMFuzzerInitialize(&argc, &argv);
    }
    const QDir corpus(QStringLiteral(MORVANE_FUZZ_CORPUS));
    const QFileInfoList files = corpus.entryInfoList(QDir::Files, QDir::Name);
    ASSERT_FALSE(files.isEmpty()) << "no inputs in " << MORVANE_FUZZ_CORPUS;
    for (const QFileInfo& info : files) {
        SCOPED_TRACE(info.fileName().toStdString());
        QFile file(info.filePath());
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray content = file.readAll();
        // A buffer of exactly the input's size, as libFuzzer passes it: a read
        // one byte too far is caught by the address sanitizer.
        const size_t size = size_t(content.size());
        const auto data = std::make_unique<uint8_t[]>(size);
        if (size)
            std::memcpy(data.get(), content.constData(), size);
        EXPECT_EQ(LLVMFuzzerTestOneInput(data.get(), size), 0);
    }
}
