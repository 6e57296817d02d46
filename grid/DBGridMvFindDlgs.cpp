// The find dialog, the grid's way to it, and the data service's defaults.

#include "grid/DBGridMvFindDlgs.h"

#include "grid/DBGridMv.h"
#include "grid/DbUtilsMv.h"
#include "platform/Dialogs.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

namespace {

const QString FindTitle = QStringLiteral("查找文本");
const QString AllColumnsItem = QStringLiteral("<全部>");
enum : int { DirectionUp, DirectionDown, DirectionAll };

QPointer<TDBGridMvFindDlg>& FindDialogInstance()
{
    static QPointer<TDBGridMvFindDlg> instance;
    return instance;
}

TDBComboBoxMv* MakeList(QWidget* Parent, const QStringList& Items, int Index, const QRect& Geometry)
{
    auto* box = new TDBComboBoxMv(Parent);
    box->SetItems(Items);
    box->SetKeyItems(Items);
    box->SetItemIndex(Index);
    box->setGeometry(Geometry);
    return box;
}

QLabel* MakeLabel(QWidget* Parent, const QString& Caption, QWidget* Buddy, const QRect& Geometry)
{
    auto* label = new QLabel(Caption, Parent);
    label->setBuddy(Buddy);
    label->setGeometry(Geometry);
    return label;
}

} // namespace

TDBGridMvFindDlg::TDBGridMvFindDlg(QWidget* Parent) : QDialog(Parent)
{
    setWindowTitle(FindTitle);
    QFont tahoma(QStringLiteral("Tahoma"));
    tahoma.setPointSize(8);
    setFont(tahoma);
    setFixedSize(455, 152);

    cbText = new TDBComboBoxMv(this);
    cbText->setGeometry(104, 10, 236, 21);
    cbText->DropDownBox().Rows = 17;
    cbText->DropDownBox().Sizable = true;
    Label1 = MakeLabel(this, QStringLiteral("查找内容(&N):"), cbText, QRect(10, 13, 90, 16));
    cbFindIn = MakeList(this, {}, -1, QRect(104, 38, 236, 21));
    cbFindIn->DropDownBox().Rows = 17;
    cbFindIn->DropDownBox().Sizable = true;
    Label2 = MakeLabel(this, QStringLiteral("查找范围(&I):"), cbFindIn, QRect(10, 41, 90, 16));
    cbMatchinType = MakeList(this, {QStringLiteral("任意匹配"), QStringLiteral("完全匹配"), QStringLiteral("起始匹配")},
                             ltmAnyPartMv, QRect(104, 66, 120, 21));
    cbMatchType = MakeLabel(this, QStringLiteral("匹配方式(&H):"), cbMatchinType, QRect(10, 69, 90, 16));
    cbFindDirection = MakeList(this, {QStringLiteral("向上"), QStringLiteral("向下"), QStringLiteral("全部")},
                               DirectionAll, QRect(104, 94, 120, 21));
    Label3 = MakeLabel(this, QStringLiteral("搜索方向(&R):"), cbFindDirection, QRect(10, 97, 90, 16));
    cbCharCase = new TDBCheckBoxMv(this);
    cbCharCase->SetCaption(QStringLiteral("区分大小写(&C)"));
    cbCharCase->setGeometry(236, 68, 104, 17);
    cbUseFormat = new TDBCheckBoxMv(this);
    cbUseFormat->SetCaption(QStringLiteral("匹配格式化结果(&M)"));
    cbUseFormat->SetChecked(true);
    cbUseFormat->setGeometry(236, 96, 120, 17);
    bFind = new QPushButton(QStringLiteral("查找下一个(&F)"), this);
    bFind->setGeometry(356, 8, 90, 25);
    bCancel = new QPushButton(QStringLiteral("关闭(&L)"), this);
    bCancel->setGeometry(356, 40, 90, 25);
    // Enter belongs to the form's own handling, not to a default button.
    bFind->setAutoDefault(false);
    bCancel->setAutoDefault(false);

    QWidget::setTabOrder(cbText, cbFindIn);
    QWidget::setTabOrder(cbFindIn, cbMatchinType);
    QWidget::setTabOrder(cbMatchinType, cbFindDirection);
    QWidget::setTabOrder(cbFindDirection, cbCharCase);
    QWidget::setTabOrder(cbCharCase, cbUseFormat);
    QWidget::setTabOrder(cbUseFormat, bFind);
    QWidget::setTabOrder(bFind, bCancel);

    connect(bFind, &QPushButton::clicked, this, [this] { bFindClick(); });
    connect(bCancel, &QPushButton::clicked, this, [this] { bCancelClick(); });
    cbText->OnChange = [this](QObject*) { cbTextChange(); };
    cbFindDirection->OnChange = [this](QObject*) { cbTextChange(); };
    cbFindIn->OnChange = [this](QObject*) { cbFindInChange(); };
}

void TDBGridMvFindDlg::Prepare(TCustomDBGridMv* Grid, const QString& Text, const QString& ColumnName,
                               const TFindColumnPairsMv& ColumnPairs)
{
    FCurrentColumn = -1;
    cbText->setText(Text);
    FGrid = Grid;
    FillFindIn(ColumnPairs);
    TColumnMv* column = ColumnName.isEmpty() ? Grid->SelectedColumn() : Grid->GetColumnByFieldName(ColumnName);
    int index = -1;
    for (size_t i = 0; i < FRangeColumns.size() && index < 0; ++i)
        if (column && FRangeColumns[i] == column)
            index = int(i);
    cbFindIn->SetItemIndex(index);
    FRestart = true;
    cbText->setFocus(Qt::OtherFocusReason);
    BuildSearchList();
}

void TDBGridMvFindDlg::FillFindIn(const TFindColumnPairsMv& ColumnPairs)
{
    QStringList items;
    FRangeColumns.clear();
    if (!ColumnPairs.empty()) {
        for (const auto& [caption, column] : ColumnPairs) {
            items << caption;
            FRangeColumns.emplace_back(column);
        }
    } else if (FGrid) {
        for (TColumnMv* column : FGrid->VisibleColumns().Items()) {
            items << column->Title().Caption();
            FRangeColumns.emplace_back(column);
        }
    }
    items << AllColumnsItem;
    FRangeColumns.emplace_back(nullptr);
    cbFindIn->SetItems(items);
    cbFindIn->SetKeyItems(items);
}

void TDBGridMvFindDlg::BuildSearchList()
{
    if (cbFindIn->ItemIndex() < 0)
        cbFindIn->SetItemIndex(int(FRangeColumns.size()) - 1);
    const int chosen = cbFindIn->ItemIndex();
    FSearchColumns.clear();
    if (chosen == int(FRangeColumns.size()) - 1) {
        for (size_t i = 0; i + 1 < FRangeColumns.size(); ++i)
            if (FRangeColumns[i])
                FSearchColumns.push_back(FRangeColumns[i]);
    } else if (chosen >= 0 && FRangeColumns[size_t(chosen)]) {
        FSearchColumns.push_back(FRangeColumns[size_t(chosen)]);
    }
    cbTextChange();
}

void TDBGridMvFindDlg::cbFindInChange()
{
    BuildSearchList();
}

void TDBGridMvFindDlg::cbTextChange()
{
    FRestart = true;
    FCurrentColumn = cbFindDirection->ItemIndex() == DirectionUp ? int(FSearchColumns.size()) - 1 : 0;
}

void TDBGridMvFindDlg::bCancelClick()
{
    close();
}

QString TDBGridMvFindDlg::CellText(TColumnMv* Column) const
{
    if (cbUseFormat->GetChecked())
        return Column->GetDisplayText();
    TField* field = Column->Field();
    return field ? field->AsString() : QString();
}

void TDBGridMvFindDlg::Step(TDataSet& DataSet, bool Up)
{
    const int last = int(FSearchColumns.size()) - 1;
    if (Up && --FCurrentColumn < 0) {
        FCurrentColumn = last;
        DataSet.Prior();
    } else if (!Up && ++FCurrentColumn > last) {
        FCurrentColumn = 0;
        DataSet.Next();
    }
}

void TDBGridMvFindDlg::bFindClick()
{
    const QString text = cbText->text();
    // An empty text finds nothing and moves nothing.
    if (text.isEmpty())
        return;
    if (cbText->Items().IndexOf(text) < 0) {
        cbText->SetItems(cbText->Items().Items() + QStringList{text});
        cbText->setText(text);
    }
    TCustomDBGridMv* grid = FGrid.data();
    TDataSet* dataSet = grid && grid->DataSource() ? grid->DataSet() : nullptr;
    if (!dataSet || !dataSet->Active() || FSearchColumns.empty())
        return;
    const int direction = cbFindDirection->ItemIndex();
    const bool up = direction == DirectionUp;
    const auto matching = TLocateTextMatchingMv(std::max(0, cbMatchinType->ItemIndex()));
    const bool caseInsensitive = !cbCharCase->GetChecked();
    FCurrentColumn = std::clamp(FCurrentColumn, 0, int(FSearchColumns.size()) - 1);
    TColumnMv* hit = nullptr;
    {
        TDisableControlsGuard guard(*dataSet);
        const TBookmark bookmark = dataSet->Bookmark();
        if (!FRestart)
            Step(*dataSet, up);
        else if (direction == DirectionAll)
            dataSet->First();
        while (!(up ? dataSet->Bof() : dataSet->Eof())) {
            TColumnMv* column = FSearchColumns[size_t(FCurrentColumn)];
            if (column && TextMatchesMv(CellText(column), text, matching, caseInsensitive)) {
                hit = column;
                break;
            }
            Step(*dataSet, up);
        }
        if (!hit)
            dataSet->GotoBookmark(bookmark);
    }
    if (hit) {
        grid->SetSelectedIndex(hit->Index());
        FRestart = false;
        return;
    }
    MessageBoxTitled(FindTitle, QStringLiteral("字符串 \"%1\" 没有找到.").arg(text), TMsgDlgType::mtInformation,
                     TMsgDlgButtons::mbOK);
}

void TDBGridMvFindDlg::keyPressEvent(QKeyEvent* Event)
{
    // Keys reach the form only when the focused control did not want them
    // (a combo box with its list open keeps Enter and Escape).
    switch (Event->key()) {
    case Qt::Key_Escape:
        Event->accept();
        if (isModal())
            reject();
        else
            close();
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        Event->accept();
        bFindClick();
        cbText->DataLink().SetModified(false);
        break;
    default: QDialog::keyPressEvent(Event); break;
    }
}

TDBGridMvFindDlg* GridFindDialog()
{
    return FindDialogInstance().data();
}

void ExecuteGridFindDialog(TCustomDBGridMv* Grid, const QString& Text, const QString& ColumnName, bool Modal,
                           const TFindColumnPairsMv& ColumnPairs)
{
    if (!Grid)
        return;
    QPointer<TDBGridMvFindDlg>& dialog = FindDialogInstance();
    QWidget* owner = Grid->window();
    if (!dialog)
        dialog = new TDBGridMvFindDlg(owner);
    else if (dialog->parentWidget() != owner)
        dialog->setParent(owner, dialog->windowFlags());
    dialog->Prepare(Grid, Text, ColumnName, ColumnPairs);
    if (Modal) {
        dialog->setWindowFlag(Qt::WindowStaysOnTopHint, false);
        ExecModal(*dialog);
    } else {
        dialog->setWindowFlag(Qt::WindowStaysOnTopHint, true);
        dialog->show();
        dialog->raise();
    }
}

// ---------------------------------------------------------------- the grid's way to the dialog

void TCustomDBGridMv::ShowFindDialog(const QString& Text, const QString& ColumnName)
{
    if (TDBGridMvDataService* service = DBGridMvDataService())
        service->ExecuteFindDialog(this, Text, ColumnName, FindDialogModal());
    else
        ExecuteGridFindDialog(this, Text, ColumnName, FindDialogModal());
}

// ---------------------------------------------------------------- data service defaults

bool TDBGridMvDataService::LocateText(TCustomDBGridMv* Grid, const QString& Text, TLocateTextDirectionMv Direction,
                                      TLocateTextMatchingMv Matching, quint8 Options)
{
    if (TDataSetHandlerMv* handler = Grid ? FindDataSetHandler(Grid->DataSet()) : nullptr)
        return handler->LocateText(Grid, Text, Direction, Matching, Options);
    return LocateGridText(Grid, Text, Direction, Matching, Options);
}

bool TDBGridMvDataService::LocateText(TCustomDBGridMv* Grid, const QString& Text, bool Forward, bool FromCurrent)
{
    const TLocateTextDirectionMv direction = !FromCurrent ? ltdAllMv : Forward ? ltdDownMv : ltdUpMv;
    return LocateText(Grid, Text, direction, ltmFromBeginningMv, ltoCaseInsensitiveMv | ltoMatchFormatMv);
}

void TDBGridMvDataService::ApplyFilter(TCustomDBGridMv* Grid)
{
    if (OnApplyFilter)
        OnApplyFilter(Grid);
    else if (TDataSetHandlerMv* handler = Grid ? FindDataSetHandler(Grid->DataSet()) : nullptr)
        handler->ApplyFilter(Grid, Grid->DataSet(), true);
}

void TDBGridMvDataService::ApplySorting(TCustomDBGridMv* Grid)
{
    if (TDataSetHandlerMv* handler = Grid ? FindDataSetHandler(Grid->DataSet()) : nullptr)
        handler->ApplySorting(Grid, Grid->DataSet(), true);
}

void TDBGridMvDataService::MoveRecords(TCustomDBGridMv* Grid, const QStringList& Bookmarks, int Target)
{
    if (TDataSetHandlerMv* handler = Grid ? FindDataSetHandler(Grid->DataSet()) : nullptr)
        handler->MoveRecords(Grid, Grid->DataSet(), Bookmarks, Target);
}

void TDBGridMvDataService::ExecuteFindDialog(TCustomDBGridMv* Grid, const QString& Text, const QString& ColumnName,
                                             bool Modal)
{
    TDataSetHandlerMv* handler = Grid && Grid->DataSource() ? FindDataSetHandler(Grid->DataSet()) : nullptr;
    if (handler)
        handler->ExecuteFindDialog(Grid, Text, ColumnName);
    else
        ExecuteGridFindDialog(Grid, Text, ColumnName, Modal);
}
