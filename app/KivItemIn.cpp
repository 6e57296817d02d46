#include "app/KivItemIn.h"

#include "app/KivBarcode.h"
#include "app/KivFigureRange.h"
#include "app/KivLayouts.h"
#include "app/KivMain.h"
#include "client/KivDataM.h"
#include "grid/DBGridMv.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Exceptions.h"
#include "platform/SqlText.h"
#include "platform/db/ClientDataSet.h"
#include "platform/db/DataSetProvider.h"
#include "platform/db/DataSource.h"
#include "platform/db/SqlQuery.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QScreen>
#include <QSpinBox>
#include <QToolBar>
#include <QVBoxLayout>
#include <algorithm>
#include <climits>
#include <set>
#include <utility>
#include <vector>

namespace {

const QString LayoutKey = QStringLiteral("SYS_Barcode");
const QString SysCode = QStringLiteral("SYS_CODE");
constexpr int FormWidth = 958;
constexpr int FormHeight = 637;

bool IsEnter(const QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const int key = static_cast<const QKeyEvent*>(event)->key();
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

// The quantity box keeps a number too large for it as typed, for the
// confirmation to refuse it with the reason; the spin box's own check would
// cut the digits it cannot hold and leave another quantity in the box.
class TQuantityBox : public QSpinBox {
public:
    using QSpinBox::QSpinBox;

    QValidator::State validate(QString& text, int& pos) const override
    {
        static const QRegularExpression integer(QStringLiteral("^[+-]?[0-9]*$"));
        if (!integer.match(text.trimmed()).hasMatch())
            return QValidator::Invalid;
        return QSpinBox::validate(text, pos) == QValidator::Acceptable ? QValidator::Acceptable : QValidator::Intermediate;
    }

protected:
    // Plain digits, as they are typed: the spin box would group the digits
    // of its minimum (and then read them back as no number at all).
    QString textFromValue(int value) const override { return QString::number(value); }
};

QString FieldText(const TDataSet& dataSet, const QString& name)
{
    return dataSet.FieldByName(name)->AsString();
}

// A ticked row as it goes into the statements: the ids checked to be
// integers, the shop code as text for QuotedStr; the title and properties
// name the SKU to the user.
struct TTickedSku {
    QString SkuID;
    QString NumIID;
    QString ShopCode;
    QString Title;
    QString Props;
};

// A confirmed stock-in as it is booked.
struct TStockInBooking {
    QString Id;
    QString Qty;
    QString StockTime;
    QString Barcode;
    std::vector<TTickedSku> Skus;
};

// How many of the booking's rows list the SKU (a SKU listed by two shops
// takes the quantity twice).
int TimesListed(const TStockInBooking& booking, const TTickedSku& sku)
{
    return int(std::count_if(booking.Skus.begin(), booking.Skus.end(),
                             [&](const TTickedSku& other) { return other.SkuID == sku.SkuID && other.NumIID == sku.NumIID; }));
}

// What the user reads when the booking would carry the SKU's figures (its
// stock after the booking given) out of range: the quantity too large or
// too small for it, and the bound when one quantity would do.
QString OutOfRangeText(const TStockInBooking& booking, const TTickedSku& sku, const TSkuFigures& figures)
{
    const TStockRoom room = StockRoom(figures);
    const bool tooLarge = figures.Stock > room.High;
    QString text = QStringLiteral("[入库数量]“") + booking.Qty + (tooLarge ? QStringLiteral("”太大") : QStringLiteral("”太小"))
                   + QStringLiteral("：商品“") + sku.Title + u' ' + sku.Props
                   + QStringLiteral("”入库后，其入库、结余或需订货的数字将超出范围");
    if (room.Low > room.High)
        return text + QStringLiteral("，此商品的付款数字已超出范围，无法入库！");
    // The quantity moves the stock that many times over.
    const qint64 times = TimesListed(booking, sku);
    const qint64 qty = booking.Qty.toLongLong();
    text += tooLarge ? QStringLiteral("，此商品本次入库数量不能大于") + QString::number(qty - (figures.Stock - room.High + times - 1) / times)
                     : QStringLiteral("，此商品本次入库数量不能小于") + QString::number(qty + (room.Low - figures.Stock + times - 1) / times);
    return text + QStringLiteral("，请重新填写！");
}

// Books the stock-in in one transaction: the stock-in, the barcode on every
// snapshot of the ticked SKUs, their list rows (the database adds them to
// the SKUs' stock). The stock period is read with its row locked, so that
// another seat's roll-over waits for the booking or the booking for it, and
// the pieces land in the period the windows read. Each SKU's sums are locked
// for its check, so that a booking or a trade line of another seat waits
// for this one; a SKU whose figures would leave their range takes
// everything back. Returns what is wrong then, empty once booked.
QString Book(TStockInBooking& booking)
{
    TKivTransaction transaction;
    booking.StockTime = LockStockTime(transaction);
    transaction.ExecSql(QStringLiteral("insert into \"KivItemIn\"(\"AutoCode\",\"Qty\",\"StockTime\",\"Date\") values(") + booking.Id + u','
                        + booking.Qty + u',' + booking.StockTime + QStringLiteral(",current_timestamp)"));
    for (const TTickedSku& sku : booking.Skus) {
        // Every snapshot of the SKU gets the barcode, so a later sync carries it on.
        transaction.ExecSql(QStringLiteral("update \"KivItem\" set \"Barcode\" = ") + QuotedStr(booking.Barcode)
                            + QStringLiteral(" where \"SkuID\" = ") + sku.SkuID + QStringLiteral(" and \"NumIID\" = ") + sku.NumIID
                            + QStringLiteral(" and \"ShopCode\" = ") + QuotedStr(sku.ShopCode));
        transaction.ExecSql(QStringLiteral("insert into \"KivItemInList\"(\"PCode\",\"StockTime\",\"SkuID\",\"NumIID\") values(")
                            + booking.Id + u',' + booking.StockTime + u',' + sku.SkuID + u',' + sku.NumIID + u')');
    }
    std::set<std::pair<QString, QString>> checked;
    for (const TTickedSku& sku : booking.Skus) {
        // A SKU listed by two shops takes the quantity once for each.
        if (!checked.insert({sku.SkuID, sku.NumIID}).second)
            continue;
        const TSkuFigures figures = LockSkuFigures(transaction, {sku.SkuID, sku.NumIID}, booking.StockTime);
        // Only the stock, the balance and the quantity to order follow a
        // stock-in; the status sums are the trade lines' to keep.
        if ((BrokenBounds(figures) & BoundsOf(fgBalance)) != 0)
            return OutOfRangeText(booking, sku, figures);
    }
    transaction.Commit();
    return QString();
}

// One update record per ticked SKU for every open monitor window: its stock
// figures grow by the quantity and its row shows the stored barcode. The SKU
// id travels in quotes, as the monitor grid's located-cell test compares it.
void QueueStockInRecords(const std::vector<TTickedSku>& skus, const QString& barcode, const QString& qty)
{
    const QString now = DateTimeText(LocalNow());
    for (const TTickedSku& sku : skus) {
        for (qsizetype i = 0; i < MonitorDataSets.size(); ++i) {
            auto record = std::make_unique<TMsgRec>();
            record->TimeText = now;
            record->KeyNames = QStringLiteral("SkuID;NumIID");
            record->KeyValues = {Variant(QuotedStr(sku.SkuID)), Variant(sku.NumIID)};
            record->UpdateFields = QStringLiteral("QtyStock,QtyBalance,QtyOrder");
            record->Amount = qty;
            record->SetField = QStringLiteral("Barcode");
            record->SetFieldValue = barcode;
            record->DataSet = MonitorDataSets[i];
            if (i < MonitorLogBoxes.size())
                record->LogBox = MonitorLogBoxes[i];
            const std::lock_guard lock(EventQueueLock);
            EventQueue.push_back(std::move(record));
        }
    }
}

// A list opened for the first time stores its layout from its fields, with
// "Selected" as the check-box column it is meant to be; from then on the
// stored layout decides (the administrator edits it).
void EnsureListLayout(TDBGridMv& grid)
{
    const QString where = QStringLiteral(" where \"Code\" = ") + QuotedStr(LayoutKey) + QStringLiteral(" and \"UserCode\" = ")
                          + QuotedStr(SysCode) + QStringLiteral(" and \"ShopCode\" = ") + QuotedStr(SysCode);
    if (!IsEmptyResult(QStringLiteral("select 1 from \"SYS_Fields\"") + where))
        return;
    EnsureFieldLayout(&grid, LayoutKey, SysCode, SysCode);
    ExecSql(QStringLiteral("update \"SYS_Fields\" set \"Boolean\" = 1") + where + QStringLiteral(" and \"FieldName\" = ")
            + QuotedStr(QStringLiteral("Selected")));
}

} // namespace

int CountBarcode(const QString& barcode)
{
    const auto query = OpenQuery(
        QStringLiteral("select count(*) \"Num\" from \"KivItem\" a where \"Barcode\" = ") + QuotedStr(barcode)
        + QStringLiteral(" and \"SyncDate\" = (select max(\"SyncDate\") from \"KivItem\"  where \"SkuID\" = a.\"SkuID\" and "
                         "\"NumIID\" = a.\"NumIID\" and \"ShopCode\"= a.\"ShopCode\")"));
    return query->FieldByName(QStringLiteral("Num"))->AsInteger();
}

TFormItemIn::TFormItemIn(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint
                          | Qt::WindowCloseButtonHint)
{
    setWindowTitle(QStringLiteral("条码入库"));
    resize(FormWidth, FormHeight);
    CreateToolBar();
    CreateList();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(ToolBarItemIn);
    layout->addWidget(DBGridBarcode, 1);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

TFormItemIn::~TFormItemIn()
{
    // The grid lets go of the data before the dataset and source go.
    DBGridBarcode->SetDataSource(nullptr);
}

void TFormItemIn::CreateToolBar()
{
    ToolBarItemIn = new QToolBar(this);
    ToolBarItemIn->setMovable(false);
    ToolBarItemIn->setIconSize(QSize(16, 16));
    ToolBarItemIn->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    const auto label = [this](const QString& text) {
        auto* l = new QLabel(text, ToolBarItemIn);
        l->setContentsMargins(8, 0, 4, 0);
        ToolBarItemIn->addWidget(l);
        return l;
    };
    LabelFilter = label(QStringLiteral("过滤:"));
    EditFilter = new QLineEdit(ToolBarItemIn);
    EditFilter->setFixedWidth(180);
    ToolBarItemIn->addWidget(EditFilter);
    LabelBarcode = label(QStringLiteral("条形码:"));
    EditInBarcode = new QLineEdit(ToolBarItemIn);
    EditInBarcode->setFixedWidth(180);
    LimitBarcodeEdit(*EditInBarcode);
    ToolBarItemIn->addWidget(EditInBarcode);
    LabelQty = label(QStringLiteral("入库数量:"));
    SpinEditQty = new TQuantityBox(ToolBarItemIn);
    // No bounds but the column's: a negative quantity books a correction.
    SpinEditQty->setRange(INT_MIN, INT_MAX);
    SpinEditQty->setValue(1);
    SpinEditQty->setFixedWidth(90);
    // Anything but a whole number is refused as it is typed: the user is told why.
    connect(SpinEditQty->findChild<QLineEdit*>(), &QLineEdit::inputRejected, this,
            [] { ShowError(QStringLiteral("[入库数量]只能填整数，不能有字母、小数点或其他符号！")); });
    ToolBarItemIn->addWidget(SpinEditQty);
    for (QWidget* edit : std::initializer_list<QWidget*>{EditFilter, EditInBarcode, SpinEditQty})
        edit->installEventFilter(this);
    LabelFilter->setBuddy(EditFilter);
    LabelBarcode->setBuddy(EditInBarcode);
    LabelQty->setBuddy(SpinEditQty);
    ToolBarItemIn->addSeparator();

    const auto action = [this](const QString& caption, int image) {
        auto* a = new QAction(caption, this);
        if (image >= 0 && KivDM)
            a->setIcon(KivDM->ImageListMenu.Icon(image));
        return a;
    };
    ActionOK = action(QStringLiteral("确认"), 15);
    ActionProp = action(QStringLiteral("属性"), 4);
    ActionClose = action(QStringLiteral("退出"), 14);
    ActionColumn = action(QStringLiteral("存栏宽"), -1);
    ToolBarItemIn->addAction(ActionOK);
    ToolBarItemIn->addAction(ActionProp);
    ToolBarItemIn->addAction(ActionClose);

    connect(ActionOK, &QAction::triggered, this, &TFormItemIn::ActionOKExecute);
    connect(ActionClose, &QAction::triggered, this, &QDialog::reject);
    connect(ActionProp, &QAction::triggered, this, [] { EditFieldLayout(LayoutKey, SysCode, SysCode); });
    connect(ActionColumn, &QAction::triggered, this,
            [this] { SaveFieldLayout(DBGridBarcode, LayoutKey, SysCode, SysCode); });
    connect(EditFilter, &QLineEdit::textChanged, this, &TFormItemIn::EditFilterChange);
}

void TFormItemIn::CreateList()
{
    SQLQueryBarcode = new TSQLQuery(KivDM ? KivDM->KivConn : nullptr, this);
    DataSetProviderBarcode = new TDataSetProvider(this);
    DataSetProviderBarcode->SetDataSet(SQLQueryBarcode);
    ClientDataSetBarcode = new TClientDataSet(this);
    ClientDataSetBarcode->SetProvider(DataSetProviderBarcode);
    ClientDataSetBarcode->SetOnFilterRecord([this](TDataSet& dataSet, bool& accept) { FilterRecord(dataSet, accept); });
    DataSourceBarcode = new TDataSource(this);
    DataSourceBarcode->SetDataSet(ClientDataSetBarcode);
    DBGridBarcode = new TDBGridMv(this);
    DBGridBarcode->SetDataSource(DataSourceBarcode);
    // The list is the SKUs of the snapshots: rows are ticked, never added or removed.
    DBGridBarcode->SetAllowedOperations(alopUpdateMv);
    // "存栏宽" has no button: it is on the list's context menu.
    DBGridBarcode->setContextMenuPolicy(Qt::ActionsContextMenu);
    DBGridBarcode->addAction(ActionColumn);
}

QString TFormItemIn::BuildSkuListSql(bool known) const
{
    QString sql = QStringLiteral("select ") + (known ? QStringLiteral("1 ") : QStringLiteral("0 "))
                  + QStringLiteral(
                      "\"Selected\",a.\"SkuID\",a.\"NumIID\",a.\"PropNameFormat\",b.\"Title\",a.\"Barcode\", a.\"ShopCode\","
                      "(Select \"Name\" from \"SYS_Shop\" where \"Code\"=a.\"ShopCode\") \"ShopName\","
                      "(select sum(x.\"Qty\") from \"KivItemIn\" x inner join \"KivItemInList\" y on x.\"AutoCode\"=y.\"PCode\" "
                      "where y.\"SkuID\"=a.\"SkuID\" and y.\"NumIID\"=a.\"NumIID\" and x.\"StockTime\" = ")
                  + ReadStockTime()
                  + QStringLiteral(
                      ") \"Qty\" from \"KivItem\" a  inner join \"SYS_Shop\" c on a.\"ShopCode\" = c.\"Code\" "
                      "inner join \"KivItemOnsale\" b on a.\"NumIID\" = b.\"NumIID\" and a.\"ShopCode\" = b.\"ShopCode\" "
                      "and a.\"SyncDate\"= b.\"SyncDate\" and a.\"SyncDate\" = (select max(\"SyncDate\") from \"KivItemOnsale\" "
                      "where \"NumIID\" = a.\"NumIID\" and \"ShopCode\"= a.\"ShopCode\")");
    if (known)
        sql += QStringLiteral(" and a.\"Barcode\" = ") + QuotedStr(FBarcode);
    return sql + QStringLiteral(" order by \"Title\",\"PropNameFormat\",\"Barcode\" desc");
}

void TFormItemIn::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // Shown again after a booking the database could not take, the list
    // keeps its ticks. A list read before the dialog showed still hands the
    // focus to the quantity.
    if (!event->spontaneous() && !ClientDataSetBarcode->Active())
        FormShow();
    else if (!event->spontaneous())
        SpinEditQty->setFocus();
}

void TFormItemIn::FormShow()
{
    ActionProp->setVisible(IsAdministrator());
    EditInBarcode->setText(FBarcode);
    SQLQueryBarcode->SQL = BuildSkuListSql(CountBarcode(FBarcode) != 0);
    if (ClientDataSetBarcode->Active())
        ClientDataSetBarcode->Close();
    ClientDataSetBarcode->Open();
    EnsureListLayout(*DBGridBarcode);
    ApplyFieldLayout(DBGridBarcode, LayoutKey, SysCode, SysCode);
    // The tick is all the user sets here: whatever the layout says, the rest
    // (the booking's SKU, item and shop among it) is not typed over.
    for (int i = 0; i < ClientDataSetBarcode->Fields().Count(); ++i) {
        TField* field = ClientDataSetBarcode->Fields()[i];
        field->SetReadOnly(field->FieldName() != QStringLiteral("Selected"));
    }
    SpinEditQty->setFocus();
}

template <class Visit>
void TFormItemIn::ForEachListedRow(Visit visit)
{
    TClientDataSet& data = *ClientDataSetBarcode;
    const TDisableControlsGuard controls(data);
    // What the user confirms is what the list shows: a ticked row that the
    // filter hides is not booked.
    data.CheckBrowseMode();
    const auto backToFirst = qScopeGuard([&data] { data.First(); });
    for (data.First(); !data.Eof(); data.Next())
        if (!visit(static_cast<TDataSet&>(data)))
            break;
}

bool TFormItemIn::HasSelectedSku()
{
    bool found = false;
    ForEachListedRow([&](TDataSet& data) {
        found = data.FieldByName(QStringLiteral("Selected"))->AsInteger() == 1;
        return !found;
    });
    if (!found)
        ShowWarning(QStringLiteral("没有选中对应的商品!"));
    return found;
}

QString TFormItemIn::QuantityProblem() const
{
    const QString text = SpinEditQty->cleanText().trimmed();
    if (text.isEmpty() || text == u'+' || text == u'-')
        return QStringLiteral("请填写[入库数量]！");
    bool ok = false;
    const qlonglong quantity = text.toLongLong(&ok);
    if (ok && quantity == 0)
        return QStringLiteral("[入库数量]不能为0，请填写入库的件数（更正时填负数）！");
    if (ok && quantity >= SpinEditQty->minimum() && quantity <= SpinEditQty->maximum())
        return QString();
    const bool negative = text.startsWith(u'-');
    return QStringLiteral("[入库数量]“") + text + (negative ? QStringLiteral("”太小，不能小于") + QString::number(SpinEditQty->minimum())
                                                            : QStringLiteral("”太大，不能大于") + QString::number(SpinEditQty->maximum()))
           + QStringLiteral("，请重新填写！");
}

void TFormItemIn::ActionOKExecute()
{
    // The barcode box refuses what the column cannot hold as it is typed;
    // a text set into it otherwise is refused here, before any booking, as
    // is a control character inside the barcode. What is booked is the
    // cleaned barcode that the box shows then.
    if (const QString problem = BarcodeProblem(TakeBarcode(*EditInBarcode)); !problem.isEmpty()) {
        ShowError(problem);
        EditInBarcode->setFocus();
        EditInBarcode->selectAll();
        return;
    }
    if (const QString problem = QuantityProblem(); !problem.isEmpty()) {
        ShowError(problem);
        SelectQuantity();
        return;
    }
    if (!HasSelectedSku())
        return;
    QString refusal;
    try {
        refusal = BookStockIn();
    } catch (const EDatabaseConnectionLost&) {
        done(BookingLost);
        return;
    } catch (const EDatabaseConflict&) {
        refusal = QStringLiteral("其他用户正在为同一商品入库，本次入库没有保存，请再次确认！");
    }
    if (!refusal.isEmpty()) {
        ShowError(refusal);
        SelectQuantity();
        return;
    }
    accept();
}

void TFormItemIn::FilterRecord(TDataSet& dataSet, bool& accept) const
{
    const QString text = EditFilter->text().trimmed();
    accept = FieldText(dataSet, QStringLiteral("Title")).contains(text)
             || FieldText(dataSet, QStringLiteral("PropNameFormat")).contains(text);
}

void TFormItemIn::EditFilterChange()
{
    ClientDataSetBarcode->SetFiltered(false);
    if (!EditFilter->text().trimmed().isEmpty())
        ClientDataSetBarcode->SetFiltered(true);
}

void TFormItemIn::done(int result)
{
    // However the dialog closes, the list's widths and order are kept.
    SaveGridLayout(DBGridBarcode);
    QDialog::done(result);
}

bool TFormItemIn::eventFilter(QObject* watched, QEvent* event)
{
    if (IsEnter(event)) {
        if (watched == EditInBarcode || watched == EditFilter) {
            SpinEditQty->setFocus();
            SpinEditQty->selectAll();
            return true;
        }
        if (watched == SpinEditQty) {
            ActionOK->trigger();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TFormItemIn::SelectQuantity()
{
    SpinEditQty->setFocus();
    SpinEditQty->selectAll();
}

QString TFormItemIn::BookStockIn()
{
    TStockInBooking booking;
    booking.Barcode = EditInBarcode->text();
    SpinEditQty->interpretText();
    booking.Qty = QString::number(SpinEditQty->value());
    ForEachListedRow([&](TDataSet& data) {
        if (data.FieldByName(QStringLiteral("Selected"))->AsInteger() == 1)
            booking.Skus.push_back({SqlInteger(FieldText(data, QStringLiteral("SkuID"))), SqlInteger(FieldText(data, QStringLiteral("NumIID"))),
                                    FieldText(data, QStringLiteral("ShopCode")), FieldText(data, QStringLiteral("Title")),
                                    FieldText(data, QStringLiteral("PropNameFormat"))});
        return true;
    });
    booking.Id = SqlInteger(NextGen(QStringLiteral("GEN_KivItemIn_ID")));
    QString refusal;
    try {
        refusal = Book(booking);
    } catch (const EDatabaseConflict&) {
        // Another seat booked one of the SKUs meanwhile: booked again, the
        // check counts that booking too.
        refusal = Book(booking);
    }
    if (!refusal.isEmpty())
        return refusal;
    FBookedBarcode = booking.Barcode;
    // The monitor windows hear of the stock-in only once it is booked.
    QueueStockInRecords(booking.Skus, booking.Barcode, booking.Qty);
    return QString();
}

QString StockInByBarcode(const QString& barcode)
{
    TFormItemIn form(QApplication::activeWindow());
    form.SetBarcode(CleanBarcode(barcode));
    // The list is read before the dialog shows: with the database out of
    // reach no dialog opens over a list that is not there.
    try {
        form.FormShow();
    } catch (const EDatabaseConnectionLost& e) {
        ShowError(e.Message());
        return QString();
    }
    for (;;) {
        const int result = ExecModal(form);
        if (result != TFormItemIn::BookingLost)
            return result == QDialog::Accepted ? form.BookedBarcode() : QString();
        // Nothing was booked: the dialog comes back as it was, to be
        // confirmed again once the database answers.
        ShowError(QStringLiteral("数据库连接已断开，本次入库没有保存！请在数据库恢复后再次确认。"));
    }
}

void InstallItemInHooks()
{
    MainKivHooks.StockInByBarcode = StockInByBarcode;
}
