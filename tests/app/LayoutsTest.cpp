// Grid layouts from "SYS_Fields": applying them to the table editor's grid,
// saving widths and order back, the layout editor, and the column buttons.

#include "AppTest.h"

#include "app/KivLayouts.h"
#include "app/KivShop.h"
#include "grid/DBGridMv.h"
#include "platform/Threads.h"
#include "platform/db/ClientDataSet.h"
#include "support/DialogAnswers.h"
#include "support/Wave.h"

#include <QFile>
#include <QFileDialog>

namespace {

const QString SysCode = u"SYS_CODE"_qs;

class LayoutsTest : public AppTest {
protected:
    static void AddLayout(const QString& key, const QString& field, const QString& caption, int width, int index,
                          int visible = 1, int readOnly = 0, int total = 0, int boolean = 0, const QString& binType = {})
    {
        ExecSql(u"insert into \"SYS_Fields\"(\"Code\",\"FieldName\",\"UserCode\",\"ShopCode\",\"Caption\",\"Width\",\"Index\","
                "\"Visible\",\"ReadOnly\",\"Total\",\"Boolean\",\"BinType\") values("_qs
                + QStringList{QuotedStr(key), QuotedStr(field), QuotedStr(SysCode), QuotedStr(SysCode), QuotedStr(caption),
                              QString::number(width), QString::number(index), QString::number(visible),
                              QString::number(readOnly), QString::number(total), QString::number(boolean),
                              QuotedStr(binType)}
                      .join(u',')
                + u")"_qs);
    }
    static QString Value(const QString& sql)
    {
        const auto query = OpenQuery(sql);
        return query->Eof() ? u"<none>"_qs : query->Fields(0)->AsString();
    }
    // A shown table editor over the SQL whose grid took the layout of key.
    static std::unique_ptr<TFormShop> Editor(const QString& sql, const QString& key)
    {
        auto form = std::make_unique<TFormShop>();
        form->SetKeys(key, SysCode, SysCode);
        form->SQLQueryShop->SQL = sql;
        form->show();
        return form;
    }
    static TColumnMv* Column(const TFormShop& form, const QString& field)
    {
        return form.DBGridShop->GetColumnByFieldName(field);
    }
    static void AddSku(int sku, int qty, const QString& price)
    {
        ExecSql(u"insert into \"KivItem\"(\"SkuID\",\"NumIID\",\"Price\",\"Qty\",\"ShopCode\",\"SyncDate\") values("_qs
                + QString::number(sku) + u",7,"_qs + price + u","_qs + QString::number(qty) + u",'S1','2024-01-01 00:00:00')"_qs);
    }
};

} // namespace

TEST_F(LayoutsTest, StoredLayoutShapesTheGridAndItsFooters)
{
    AddSku(1, 3, u"10.50"_qs);
    AddSku(2, 4, u"20.00"_qs);
    const QString key = u"SYS_KivItem"_qs;
    // The hidden first row also gets the count; only the first visible column shows it.
    AddLayout(key, u"SkuID"_qs, u"编号"_qs, 10, 0, 0);
    AddLayout(key, u"Qty"_qs, u"数量"_qs, 8, 1);
    AddLayout(key, u"Price"_qs, u"价格"_qs, 9, 2, 1, 0, 1);
    AddLayout(key, u"NumIID"_qs, u"商品"_qs, 12, 3);
    AddLayout(key, u"Barcode"_qs, u"条码"_qs, 14, 4, 1, 1);
    AddLayout(key, u"NoSuchField"_qs, u"无"_qs, 5, 5);
    const auto form = Editor(u"select * from \"KivItem\""_qs, key);
    TCustomDBGridMv& grid = *form->DBGridShop;
    TDataSet& data = *form->ClientDataSetShop;

    EXPECT_FALSE(data.FieldByName(u"SkuID"_qs)->Visible());
    ASSERT_NE(grid.GetFields(0), nullptr);
    EXPECT_EQ(grid.GetFields(0)->FieldName(), u"Qty"_qs);
    EXPECT_EQ(data.FieldByName(u"Qty"_qs)->Index(), 1);
    EXPECT_EQ(data.FieldByName(u"Qty"_qs)->DisplayLabel(), u"数量"_qs);
    EXPECT_EQ(data.FieldByName(u"Qty"_qs)->DisplayWidth(), 8);
    EXPECT_TRUE(data.FieldByName(u"Barcode"_qs)->ReadOnly());
    EXPECT_FALSE(data.FieldByName(u"Qty"_qs)->ReadOnly());
    EXPECT_EQ(grid.FooterRowCount(), 1);
    EXPECT_EQ(grid.GetFooterValue(0, Column(*form, u"Qty"_qs)), u"2行"_qs);
    EXPECT_EQ(Column(*form, u"Price"_qs)->Footer().ValueType(), fvtSum);
    EXPECT_EQ(Column(*form, u"NumIID"_qs)->Footer().ValueType(), fvtNon);
    // Numbers show zero as empty, but a large integer keeps its digits.
    EXPECT_EQ(data.FieldByName(u"Qty"_qs)->DisplayFormat(), u"#"_qs);
    EXPECT_EQ(data.FieldByName(u"NumIID"_qs)->DisplayFormat(), QString());
    // The key rides with the dataset for saving.
    EXPECT_EQ(form->ClientDataSetShop->GetOptionalParam(u"SYS_TABLE_NAME"_qs).AsString(), key);
    EXPECT_EQ(form->ClientDataSetShop->GetOptionalParam(u"SYS_USER_CODE"_qs).AsString(), SysCode);

    // A first visible column that sums shows the sum, not labelled as rows;
    // a check-box column keeps its numbers unformatted.
    const QString other = u"Other's"_qs;
    AddLayout(other, u"Qty"_qs, u"数量"_qs, 8, 0, 1, 0, 1);
    AddLayout(other, u"Price"_qs, u"价格"_qs, 9, 1, 1, 0, 0, 1);
    const auto summing = Editor(u"select * from \"KivItem\""_qs, other);
    TColumnMv* qty = Column(*summing, u"Qty"_qs);
    EXPECT_EQ(qty->Footer().ValueType(), fvtSum);
    EXPECT_EQ(summing->DBGridShop->GetFooterValue(0, qty), u"7"_qs);
    TColumnMv* price = Column(*summing, u"Price"_qs);
    EXPECT_TRUE(price->Checkboxes());
    EXPECT_EQ(price->KeyList().Items(), (QStringList{u"1"_qs, u"0"_qs}));
    EXPECT_EQ(summing->ClientDataSetShop->FieldByName(u"Price"_qs)->DisplayFormat(), QString());
}

TEST_F(LayoutsTest, SavingInsertsMissingRowsOnceAndThenOnlyMovesWidthAndOrder)
{
    const QString key = u"O'Brien"_qs; // a quote in every statement's text values
    // The first opening stores the fields as they are.
    const auto form = Editor(u"select * from \"SYS_Shop\""_qs, key);
    const QString rows = u"select count(*) from \"SYS_Fields\" where \"Code\" = "_qs + QuotedStr(key);
    EXPECT_EQ(Value(rows), u"7"_qs);
    const QString name = u" from \"SYS_Fields\" where \"Code\" = "_qs + QuotedStr(key) + u" and \"FieldName\" = 'Name'"_qs;
    EXPECT_EQ(Value(u"select \"Caption\" || \"Visible\" || \"ReadOnly\" || \"Boolean\""_qs + name), u"Name100"_qs);

    // Saving again moves width and order only.
    ExecSql(u"update \"SYS_Fields\" set \"Total\" = 1 where \"Code\" = "_qs + QuotedStr(key));
    TDataSet& data = *form->ClientDataSetShop;
    data.FieldByName(u"Name"_qs)->SetDisplayLabel(u"店's名"_qs);
    data.FieldByName(u"Name"_qs)->SetDisplayWidth(33);
    data.FieldByName(u"Name"_qs)->SetIndex(0);
    SaveGridLayout(form->DBGridShop);
    SaveGridLayout(form->DBGridShop);
    EXPECT_EQ(Value(rows), u"7"_qs);
    EXPECT_EQ(Value(u"select \"Width\" || ',' || \"Index\" || ',' || \"Caption\" || \"Total\""_qs + name), u"33,0,Name1"_qs);
    // A missing row comes back once, with the field's label.
    ExecSql(u"delete"_qs + name);
    SaveFieldLayout(form->DBGridShop, key, SysCode, SysCode);
    SaveFieldLayout(form->DBGridShop, key, SysCode, SysCode);
    EXPECT_EQ(Value(rows), u"7"_qs);
    EXPECT_EQ(Value(u"select \"Caption\""_qs + name), u"店's名"_qs);

    // A closed dataset saves nothing.
    form->ClientDataSetShop->Close();
    SaveFieldLayout(form->DBGridShop, u"Closed"_qs, SysCode, SysCode);
    EXPECT_EQ(Value(u"select count(*) from \"SYS_Fields\" where \"Code\" = 'Closed'"_qs), u"0"_qs);
}

TEST_F(LayoutsTest, LayoutEditorOffersFileKindsAndCheckBoxesOnItsOwnLayout)
{
    AddLayout(u"SYS_Fields"_qs, u"BinType"_qs, u"类型"_qs, 6, 0);
    AddLayout(u"SYS_Fields"_qs, u"Boolean"_qs, u"勾选"_qs, 4, 1);
    AddLayout(u"SYS_Shop"_qs, u"Name"_qs, u"名称"_qs, 20, 0);
    TDialogAnswers answers;
    int opened = 0;
    answers.Modal = [&](QDialog& dialog) {
        auto& form = dynamic_cast<TFormShop&>(dialog);
        form.show();
        ++opened;
        EXPECT_EQ(form.windowTitle(), u"属性设置"_qs);
        EXPECT_EQ(form.TableKey(), u"SYS_Fields"_qs);
        EXPECT_EQ(form.ClientDataSetShop->RecordCount(), 1) << "the rows of the edited layout only";
        TColumnMv* binType = Column(form, u"BinType"_qs);
        EXPECT_EQ(binType->PickList().Items(), (QStringList{QString(), u"WAV"_qs, u"MP3"_qs, u"EXE"_qs}));
        EXPECT_EQ(binType->ButtonStyle(), cbsAuto);
        TColumnMv* boolean = Column(form, u"Boolean"_qs);
        EXPECT_TRUE(boolean->Checkboxes());
        EXPECT_EQ(boolean->GetCheckboxState(), cbUnchecked);
        EXPECT_FALSE(Column(form, u"Caption"_qs)->Checkboxes());
        form.close();
        return form.result();
    };
    EditFieldLayout(u"SYS_Shop"_qs, SysCode, SysCode);
    EXPECT_EQ(opened, 1);
}

TEST_F(LayoutsTest, WaveBlobLoadsFromAFileAndPlays)
{
    ExecSql(u"insert into \"SYS_Params\"(\"Code\",\"Value\") values(8,'库存提示音')"_qs);
    AddLayout(u"SYS_Params"_qs, u"BlobValue"_qs, u"声音"_qs, 10, 2, 1, 0, 0, 0, u"WAV"_qs);
    AddLayout(u"Programs"_qs, u"BlobValue"_qs, u"程序"_qs, 10, 2, 1, 0, 0, 0, u"EXE"_qs);
    const auto programs = Editor(u"select * from \"SYS_Params\""_qs, u"Programs"_qs);
    EXPECT_EQ(Column(*programs, u"BlobValue"_qs)->EditButtons().Count(), 1) << "no play button but for WAV";

    const auto form = Editor(u"select * from \"SYS_Params\" order by \"Code\""_qs, u"SYS_Params"_qs);
    TColumnMv* sound = Column(*form, u"BlobValue"_qs);
    EXPECT_TRUE(sound->AlwaysShowEditButton());
    ASSERT_EQ(sound->EditButtons().Count(), 2);
    TEditButtonMv* load = sound->EditButtons().Items(0);
    TEditButtonMv* play = sound->EditButtons().Items(1);
    EXPECT_EQ(load->Style(), ebsPlusMv);
    EXPECT_EQ(load->Hint(), u"WAV"_qs);
    EXPECT_EQ(play->Style(), ebsGlyphMv);
    EXPECT_EQ(play->Hint(), u"BlobValue"_qs);

    const QByteArray wave = MakeWave(50);
    const QString path = TempPath(u"alert.wav"_qs);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(wave);
    file.close();
    TDialogAnswers answers;
    answers.Modal = [&](QDialog& dialog) {
        auto& open = dynamic_cast<QFileDialog&>(dialog);
        EXPECT_EQ(open.defaultSuffix(), u"WAV"_qs);
        EXPECT_EQ(open.nameFilters(), QStringList{u"Any WAV file(*.WAV *.wav)"_qs});
        open.selectFile(path);
        static_cast<QDialog&>(open).accept();
        return open.result();
    };
    form->DBGridShop->SetSelectedField(form->ClientDataSetShop->FieldByName(u"BlobValue"_qs));
    bool handled = false;
    load->Click(nullptr, handled);
    EXPECT_EQ(form->ClientDataSetShop->FieldByName(u"BlobValue"_qs)->AsBytes(), wave);
    EXPECT_EQ(form->ClientDataSetShop->ChangeCount(), 1);

    // The null device, with a copy of every sample it is given in a file.
    const QString played = TempPath(u"played.raw"_qs);
    qputenv("MORVANE_AUDIO_DEVICE", "tee:null,'" + played.toUtf8() + "',raw");
    play->Click(nullptr, handled);
    EXPECT_TRUE(TThreadRegistry::Instance().WaitIdle(10000));
    qputenv("MORVANE_AUDIO_DEVICE", "null");
    QFile samples(played);
    ASSERT_TRUE(samples.open(QIODevice::ReadOnly));
    EXPECT_EQ(samples.readAll(), wave.mid(44));
}
