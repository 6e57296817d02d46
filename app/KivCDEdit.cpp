#include "app/KivCDEdit.h"

#include "client/KivDataM.h"
#include "gridbase/DBCtrlsMv.h"
#include "platform/WindowHints.h"
#include "platform/db/DataSet.h"

#include <QAction>
#include <QLabel>
#include <QToolBar>

namespace {

constexpr int ToolBarHeight = 35;
constexpr int LabelLeft = 20;
constexpr int EditLeft = 120;
constexpr int EditWidth = 400;
constexpr int LineHeight = 24;

QIcon MenuGlyph(int index)
{
    return KivDM ? KivDM->ImageListMenu.Icon(index) : QIcon();
}

} // namespace

TFormCDEdit::TFormCDEdit(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
    , ToolBarEdit(new QToolBar(this))
    , ActionOK(new QAction(MenuGlyph(15), QStringLiteral("确认"), this))
    , ActionNo(new QAction(MenuGlyph(14), QStringLiteral("取消"), this))
{
    // A dialog: the close icon only, also where the window type decides.
    SetNoMinimizeHint(*this);
    resize(572, 498);
    ToolBarEdit->setGeometry(0, 0, width(), ToolBarHeight);
    ToolBarEdit->setMovable(false);
    ToolBarEdit->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    ToolBarEdit->addAction(ActionOK);
    ToolBarEdit->addSeparator();
    ToolBarEdit->addAction(ActionNo);
    connect(ActionOK, &QAction::triggered, this, &TFormCDEdit::ActionOKExecute);
    connect(ActionNo, &QAction::triggered, this, &QDialog::reject);
}

void TFormCDEdit::showEvent(QShowEvent* event)
{
    if (!FShown) {
        FShown = true;
        FormShow();
    }
    QDialog::showEvent(event);
}

void TFormCDEdit::FormShow()
{
    int y = ToolBarEdit->height() + 2;
    for (const TRecordFieldKiv& field : FFields) {
        auto* label = new QLabel(field.Label, this);
        label->setGeometry(LabelLeft, y, EditLeft - LabelLeft - 4, LineHeight - 3);
        TCustomDBEditMv* edit = nullptr;
        if (field.PickList.isEmpty()) {
            edit = new TDBEditMv(this);
        } else {
            auto* combo = new TDBComboBoxMv(this);
            combo->SetItems(field.PickList);
            edit = combo;
        }
        edit->setGeometry(EditLeft, y, EditWidth, LineHeight - 3);
        edit->SetDataSource(FDataSource);
        edit->SetDataField(field.FieldName);
        label->setBuddy(edit);
        label->show();
        edit->show();
        y += LineHeight;
    }
    resize(width(), ToolBarEdit->height() + y + LineHeight);
}

void TFormCDEdit::ActionOKExecute()
{
    if (TDataSet* dataSet = FDataSource ? FDataSource->DataSet() : nullptr) {
        // Typing put the dataset into edit state; posting writes every edit's text.
        if (dataSet->State() == dsEdit || dataSet->State() == dsInsert)
            dataSet->Post();
    }
    accept();
}
