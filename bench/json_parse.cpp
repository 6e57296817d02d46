// Parse throughput of TqvJSON::ParseText against RapidJSON's DOM parser and
// nlohmann-json on the same platform-like replies, in the same run: an
// items.onsale page of 100 items, an item.get with 50 SKUs, a trade.get with
// 10 orders and a 5 MB trades list. Each parse builds and frees a whole tree.
// After the timings a table gives MB/s, the ratios, and the peak heap
// (counted by the malloc wrappers below) per MB of text parsed.
//
//   scripts/build build-bench -DMORVANE_BENCH=ON -DCMAKE_BUILD_TYPE=Release
//   build-bench/bench/bench_json_parse

#include "json/uQvJSON.h"

#include <benchmark/benchmark.h>
#include <malloc.h>
#include <nlohmann/json.hpp>
#include <rapidjson/document.h>

#include <atomic>
#include <cstdio>
#include <functional>
#include <map>
#include <random>
#include <string>

// ---- heap accounting ----------------------------------------------------------
// Every allocation of the process (Qt's, the C++ runtime's, RapidJSON's) goes
// through malloc; these wrappers keep the bytes in use and their high mark.

extern "C" {
void* __libc_malloc(size_t);
void* __libc_calloc(size_t, size_t);
void* __libc_realloc(void*, size_t);
void* __libc_memalign(size_t, size_t);
void __libc_free(void*);
}

namespace {

// Counting is on only while a peak is measured, so that the timings pay nothing.
std::atomic<bool> HeapCounting{false};
std::atomic<long long> HeapInUse{0};
std::atomic<long long> HeapPeak{0};

void* Counted(void* block)
{
    if (block && HeapCounting.load(std::memory_order_relaxed)) {
        const long long now = HeapInUse += (long long)malloc_usable_size(block);
        long long peak = HeapPeak.load();
        while (now > peak && !HeapPeak.compare_exchange_weak(peak, now)) {
        }
    }
    return block;
}

void Uncount(void* block)
{
    if (block && HeapCounting.load(std::memory_order_relaxed))
        HeapInUse -= (long long)malloc_usable_size(block);
}

} // namespace

extern "C" {
void* malloc(size_t size)
{
    return Counted(__libc_malloc(size));
}
void* calloc(size_t count, size_t size)
{
    return Counted(__libc_calloc(count, size));
}
void* realloc(void* block, size_t size)
{
    Uncount(block);
    void* moved = __libc_realloc(block, size);
    if (!moved && size && block) {
        Counted(block); // the old block stays
        return nullptr;
    }
    return Counted(moved);
}
void free(void* block)
{
    Uncount(block);
    __libc_free(block);
}
void* memalign(size_t alignment, size_t size)
{
    return Counted(__libc_memalign(alignment, size));
}
void* aligned_alloc(size_t alignment, size_t size)
{
    return Counted(__libc_memalign(alignment, size));
}
int posix_memalign(void** out, size_t alignment, size_t size)
{
    void* block = Counted(__libc_memalign(alignment, size));
    if (!block)
        return 12; // ENOMEM
    *out = block;
    return 0;
}
}

namespace {

// ---- inputs ----------------------------------------------------------------------

class TReplyWriter {
public:
    std::string Text;

    explicit TReplyWriter(unsigned seed) : FRandom(seed) {}

    long long Id(long long base, long long range) { return base + (long long)(FRandom() % (unsigned long long)range); }
    int Small(int range) { return int(FRandom() % unsigned(range)); }
    std::string Price() { return std::to_string(Small(900) + 1) + "." + std::to_string(10 + Small(90)); }
    std::string Time()
    {
        char text[32];
        std::snprintf(text, sizeof text, "2024-%02d-%02d %02d:%02d:%02d", 1 + Small(12), 1 + Small(28), Small(24),
                      Small(60), Small(60));
        return text;
    }
    std::string Title()
    {
        static const char* words[] = {"2024夏季新款", "韩版", "宽松", "纯棉", "短袖", "T恤", "女", "男士", "休闲裤",
                                      "连衣裙", "包邮", "加厚", "羽绒服", "\\\"特价\\\"", "Pro", "XL"};
        std::string title;
        for (int i = 0, n = 5 + Small(6); i < n; ++i)
            title += words[Small(16)];
        return title;
    }
    std::string Properties()
    {
        static const char* colours[] = {"黑色", "白色", "藏青色", "卡其色", "酒红色"};
        static const char* sizes[] = {"S", "M", "L", "XL", "XXL"};
        const int colour = Small(5);
        const int size = Small(5);
        return "1627207:" + std::to_string(28341 + colour) + ":颜色分类:" + colours[colour] + ";20509:"
               + std::to_string(28314 + size) + ":尺码:" + sizes[size];
    }

    void Member(const char* name, const std::string& quoted) { Text += "\"" + std::string(name) + "\":" + quoted; }
    static std::string Q(const std::string& text) { return "\"" + text + "\""; }
    static std::string N(long long number) { return std::to_string(number); }

private:
    std::mt19937_64 FRandom;
};

std::string ItemsOnsalePage(int items)
{
    TReplyWriter w(1);
    w.Text = "{\"items_onsale_get_response\":{\"items\":{\"item\":[";
    for (int i = 0; i < items; ++i) {
        w.Text += i ? ",{" : "{";
        w.Member("num", w.N(w.Small(500)));
        w.Text += ',';
        w.Member("num_iid", w.N(w.Id(520000000000, 200000000000)));
        w.Text += ',';
        w.Member("price", w.Q(w.Price()));
        w.Text += ',';
        w.Member("title", w.Q(w.Title()));
        w.Text += '}';
    }
    w.Text += "]},\"total_results\":1375}}";
    return w.Text;
}

std::string ItemGet(int skus)
{
    TReplyWriter w(2);
    const long long item = w.Id(520000000000, 200000000000);
    w.Text = "{\"item_get_response\":{\"item\":{";
    w.Member("num_iid", w.N(item));
    w.Text += ',';
    w.Member("property_alias", w.Q("1627207:28341:深黑;1627207:28342:米白"));
    w.Text += ",\"skus\":{\"sku\":[";
    for (int i = 0; i < skus; ++i) {
        w.Text += i ? ",{" : "{";
        w.Member("created", w.Q(w.Time()));
        w.Text += ',';
        w.Member("modified", w.Q(w.Time()));
        w.Text += ',';
        w.Member("num_iid", w.N(item));
        w.Text += ',';
        w.Member("outer_id", w.Q("SKU-" + w.N(w.Id(1000, 9000))));
        w.Text += ',';
        w.Member("price", w.Q(w.Price()));
        w.Text += ',';
        const std::string properties = w.Properties();
        w.Member("properties", w.Q(properties.substr(0, properties.find(':', 8))));
        w.Text += ',';
        w.Member("properties_name", w.Q(properties));
        w.Text += ',';
        w.Member("quantity", w.N(w.Small(300)));
        w.Text += ',';
        w.Member("sku_id", w.N(w.Id(4000000000000, 1000000000000)));
        w.Text += ',';
        w.Member("status", w.Q("normal"));
        w.Text += '}';
    }
    w.Text += "]}}}}";
    return w.Text;
}

void Trade(TReplyWriter& w, int orders)
{
    const long long tid = w.Id(1000000000000000000, 3000000000000000000);
    w.Text += '{';
    w.Member("buyer_nick", w.Q("买家" + w.N(w.Small(100000))));
    w.Text += ',';
    w.Member("created", w.Q(w.Time()));
    w.Text += ',';
    w.Member("payment", w.Q(w.Price()));
    w.Text += ',';
    w.Member("post_fee", w.Q("0.00"));
    w.Text += ',';
    w.Member("receiver_address", w.Q("浙江省 杭州市 余杭区 文一西路969号"));
    w.Text += ',';
    w.Member("status", w.Q("WAIT_SELLER_SEND_GOODS"));
    w.Text += ',';
    w.Member("tid", w.N(tid));
    w.Text += ",\"orders\":{\"order\":[";
    for (int i = 0; i < orders; ++i) {
        w.Text += i ? ",{" : "{";
        w.Member("num", w.N(1 + w.Small(3)));
        w.Text += ',';
        w.Member("num_iid", w.N(w.Id(520000000000, 200000000000)));
        w.Text += ',';
        w.Member("oid", w.N(tid + i + 1));
        w.Text += ',';
        w.Member("price", w.Q(w.Price()));
        w.Text += ',';
        w.Member("refund_status", w.Q("NO_REFUND"));
        w.Text += ',';
        w.Member("sku_id", w.N(w.Id(4000000000000, 1000000000000)));
        w.Text += ',';
        w.Member("sku_properties_name", w.Q(w.Properties()));
        w.Text += ',';
        w.Member("status", w.Q("WAIT_SELLER_SEND_GOODS"));
        w.Text += ',';
        w.Member("title", w.Q(w.Title()));
        w.Text += ',';
        w.Member("total_fee", w.Q(w.Price()));
        w.Text += '}';
    }
    w.Text += "]}}";
}

std::string TradeGet(int orders)
{
    TReplyWriter w(3);
    w.Text = "{\"trade_get_response\":{\"trade\":";
    Trade(w, orders);
    w.Text += "}}";
    return w.Text;
}

std::string TradesList(size_t bytes)
{
    TReplyWriter w(4);
    w.Text = "{\"trades_sold_get_response\":{\"trades\":{\"trade\":[";
    for (int i = 0; w.Text.size() < bytes; ++i) {
        if (i)
            w.Text += ',';
        Trade(w, 1 + w.Small(4));
    }
    w.Text += "]},\"total_results\":99999}}";
    return w.Text;
}

struct TInput {
    const char* Name;
    std::string Text;
};

const std::vector<TInput>& Inputs()
{
    static const std::vector<TInput> inputs{
        {"items.onsale 100 items", ItemsOnsalePage(100)},
        {"item.get 50 SKUs", ItemGet(50)},
        {"trade.get 10 orders", TradeGet(10)},
        {"5 MB trades list", TradesList(5 * 1024 * 1024)},
    };
    return inputs;
}

// ---- the parsers ------------------------------------------------------------------

struct TParser {
    const char* Name;
    std::function<bool(const std::string&)> ParseAndFree;
};

const std::vector<TParser>& Parsers()
{
    static const std::vector<TParser> parsers{
        {"Morvane", [](const std::string& text) {
             const auto tree = TqvJSON::ParseText(QByteArrayView(text.data(), qsizetype(text.size())));
             benchmark::DoNotOptimize(tree.get());
             return tree != nullptr;
         }},
        {"RapidJSON", [](const std::string& text) {
             rapidjson::Document document;
             document.Parse(text.data(), text.size());
             benchmark::DoNotOptimize(&document);
             return !document.HasParseError();
         }},
        {"nlohmann", [](const std::string& text) {
             const auto document = nlohmann::json::parse(text, nullptr, false);
             benchmark::DoNotOptimize(&document);
             return !document.is_discarded();
         }},
    };
    return parsers;
}

// Seconds per parse, by input and parser, as the runs report them.
std::map<std::pair<std::string, std::string>, double> Timings;

class TCollector : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred || run.run_type != Run::RT_Iteration || run.iterations == 0)
                continue;
            const std::string name = run.run_name.function_name;
            const size_t slash = name.find('/');
            Timings[{name.substr(slash + 1), name.substr(0, slash)}] = run.real_accumulated_time / double(run.iterations);
        }
    }
};

// The heap high mark of one parse and free, over what was in use before it.
double PeakBytes(const TParser& parser, const std::string& text)
{
    HeapInUse = 0;
    HeapPeak = 0;
    HeapCounting = true;
    parser.ParseAndFree(text);
    HeapCounting = false;
    return double(HeapPeak.load());
}

void Summary()
{
    const double mb = 1024.0 * 1024.0;
    std::printf("\n%-24s %9s %11s %11s %11s %9s %9s   peak heap per MB parsed: %s\n", "input", "size", "Morvane",
                "RapidJSON", "nlohmann", "/nlohmann", "/RapidJSON", "Morvane / RapidJSON / nlohmann");
    for (const TInput& input : Inputs()) {
        auto speed = [&](const char* parser) {
            const auto found = Timings.find({input.Name, parser});
            return found == Timings.end() ? 0.0 : double(input.Text.size()) / mb / found->second;
        };
        const double ours = speed("Morvane");
        const double rapid = speed("RapidJSON");
        const double nlohmann = speed("nlohmann");
        std::printf("%-24s %7.1fKB %6.0f MB/s %6.0f MB/s %6.0f MB/s %8.2fx %8.2fx  ", input.Name,
                    double(input.Text.size()) / 1024.0, ours, rapid, nlohmann, nlohmann ? ours / nlohmann : 0.0,
                    rapid ? ours / rapid : 0.0);
        for (const TParser& parser : Parsers())
            std::printf(" %6.2f MB", PeakBytes(parser, input.Text) / double(input.Text.size()));
        std::printf("\n");
    }
}

} // namespace

int main(int argc, char** argv)
{
    for (const TInput& input : Inputs()) {
        for (const TParser& parser : Parsers()) {
            if (!parser.ParseAndFree(input.Text)) {
                std::fprintf(stderr, "%s does not parse %s\n", parser.Name, input.Name);
                return 1;
            }
            benchmark::RegisterBenchmark((std::string(parser.Name) + "/" + input.Name).c_str(),
                                         [&input, &parser](benchmark::State& state) {
                                             for (auto _ : state)
                                                 parser.ParseAndFree(input.Text);
                                             state.SetBytesProcessed(int64_t(state.iterations())
                                                                     * int64_t(input.Text.size()));
                                         });
        }
    }
    benchmark::Initialize(&argc, argv);
    TCollector collector;
    benchmark::RunSpecifiedBenchmarks(&collector);
    Summary();
    benchmark::Shutdown();
    return 0;
}
