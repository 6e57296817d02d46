#pragma once
// Helpers of the client tests: the first value a statement reads, and a data
// module on a fresh database with the platform stand-in serving one of the
// catalogues of tests/client/data to the shop "kiv".

#include "client/KivDataM.h"
#include "platform/HttpClient.h"
#include "platform/db/SqlQuery.h"
#include "support/PlatformSim.h"
#include "support/TestSupport.h"

#include <memory>

// The first field of the first row: "<none>" without a row, "<null>" for a null.
inline QString Scalar(const QString& sql)
{
    const auto q = OpenQuery(sql);
    return q->IsEmpty() ? u"<none>"_qs : q->Fields(0)->IsNull() ? u"<null>"_qs : q->Fields(0)->AsString();
}

class ShopSimTest : public DatabaseTest {
protected:
    // Call from SetUp; a failed start ends the test before its body.
    void StartShopSim(const QString& catalogue)
    {
        DatabaseTest::SetUp();
        QString error;
        ASSERT_TRUE(FSim.Start(SourceDir() + u"/tests/client/data/"_qs + catalogue, &error)) << error.toStdString();
        FDM = std::make_unique<TKivDM>(TempPath(QString()));
        SysRec.TqlUrl = FSim.TqlUrl();
        SysRec.SignMethod = u"md5"_qs;
        FDM->KivHttp->ConnectTimeoutMs = 2000;
        FDM->KivHttp->ReadTimeoutMs = 10000;
        FShop.Code = u"kiv"_qs;
        FShop.AppKey = u"12345678"_qs;
        FShop.AppSecret = u"s3cr3t+%&=中"_qs;
        FShop.Session = u"sess-1"_qs;
    }
    void TearDown() override { FDM.reset(); }

    TPlatformSim FSim;
    std::unique_ptr<TKivDM> FDM;
    TTreeNodeShop FShop;
};
