#pragma once
// Typing into the table editor's grid as a person does: F2 opens a cell's
// editor, characters are keyed in (or typed over a cell's text) or pasted,
// an editor's button is clicked.

#include "app/KivShop.h"
#include "grid/DBGridMv.h"
#include "grid/DBGridMvInplaceEdit.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QMouseEvent>
#include <memory>

// The field's cell of the current row in the grid's editor, opened with F2.
inline TDBGridInplaceEdit* EditShopCell(TFormShop& form, const QString& field)
{
    TCustomDBGridMv& grid = *form.DBGridShop;
    grid.setFocus();
    grid.SetSelectedIndex(grid.GetColumnByFieldName(field)->Index());
    QKeyEvent press(QEvent::KeyPress, Qt::Key_F2, Qt::NoModifier);
    QApplication::sendEvent(grid.ClientWidget(), &press);
    return grid.CellEditor();
}

inline void TypeInShopCell(TFormShop& form, const QString& field, const QString& text)
{
    TDBGridInplaceEdit* editor = EditShopCell(form, field);
    for (const QChar ch : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(editor, &press);
    }
}

// Ctrl+V in the field's cell over its whole text, the clipboard holding text.
inline TDBGridInplaceEdit* PasteIntoShopCell(TFormShop& form, const QString& field, const QString& text)
{
    TDBGridInplaceEdit* editor = EditShopCell(form, field);
    editor->selectAll();
    QApplication::clipboard()->setText(text);
    QKeyEvent paste(QEvent::KeyPress, Qt::Key_V, Qt::ControlModifier);
    QApplication::sendEvent(editor, &paste);
    return editor;
}

// A shown editor (not modal) over the SQL text, whose grid took the layout of key.
inline std::unique_ptr<TFormShop> OpenShopEditor(const QString& sql, const QString& key)
{
    auto form = std::make_unique<TFormShop>();
    form->SetKeys(key, QStringLiteral("SYS_CODE"), QStringLiteral("SYS_CODE"));
    form->SQLQueryShop->SQL = sql;
    form->show();
    return form;
}

// The administrator replaces the text of the current row's cell (all of it
// selected first, as Ctrl+A does).
inline void TypeOverShopCell(TFormShop& form, const QString& field, const QString& text)
{
    TDBGridInplaceEdit* editor = EditShopCell(form, field);
    editor->selectAll();
    for (const QChar ch : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(editor, &press);
    }
}

// A click on one of the cell editor's buttons.
inline void ClickShopCellButton(TFormShop& form, const QString& field, int button)
{
    QWidget* control = EditShopCell(form, field)->ButtonControl(button);
    const QPoint at(control->width() / 2, control->height() / 2);
    for (const auto type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent event(type, at, control->mapToGlobal(at), Qt::LeftButton, type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                          Qt::NoModifier);
        QApplication::sendEvent(control, &event);
    }
}

// A left click at a point of the grid's client area, as Qt delivers it.
inline void ClickShopGridAt(TFormShop& form, QPoint at)
{
    QWidget* client = form.DBGridShop->ClientWidget();
    for (const auto type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent event(type, QPointF(at), QPointF(client->mapToGlobal(at)), Qt::LeftButton,
                          type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(client, &event);
    }
    QCoreApplication::processEvents();
}

// A click in the middle of the field's cell on a data row (0 the first shown).
inline void ClickShopGridCell(TFormShop& form, const QString& field, int dataRow)
{
    TCustomDBGridMv& grid = *form.DBGridShop;
    const TRect cell = grid.CellRect(grid.DataToRawColumn(grid.GetColumnByFieldName(field)->Index()),
                                     grid.TitleRowCount() + dataRow);
    ClickShopGridAt(form, QPoint((cell.Left + cell.Right) / 2, (cell.Top + cell.Bottom) / 2));
}

// Characters typed as the keyboard sends them: to the open cell editor, or
// to the grid, whose first character opens the editor.
inline void TypeIntoShopGrid(TFormShop& form, const QString& text)
{
    TCustomDBGridMv& grid = *form.DBGridShop;
    for (const QChar ch : text) {
        TDBGridInplaceEdit* editor = grid.CellEditor();
        QWidget* target = editor && editor->isVisible() ? static_cast<QWidget*>(editor) : grid.ClientWidget();
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(target, &press);
        QCoreApplication::processEvents();
    }
}
