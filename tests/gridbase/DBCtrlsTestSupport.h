#pragma once
// Helpers for the tests of the data-aware editors: an in-memory table to
// bind them to and a window that holds the focus.

#include "DropDownTestSupport.h"

#include "gridbase/DBCtrlsMv.h"
#include "platform/db/ClientDataSet.h"
#include "platform/db/DataSource.h"
#include "platform/db/Field.h"

#include <QApplication>
#include <QKeyEvent>
#include <memory>

// Whether a key event sent to the widget was left to its parents.
inline bool KeyIgnored(QWidget* widget, int key, const QString& text = QString())
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(widget, &press);
    return !press.isAccepted();
}

// A shown, active window with the controls of one test.
class TFormFixture : public ButtonsTest {
protected:
    void SetUp() override
    {
        ButtonsTest::SetUp();
        Form = std::make_unique<QWidget>();
        Form->resize(320, 240);
        // Something else to move the focus to.
        Other = new QLineEdit(Form.get());
        Other->setGeometry(10, 200, 100, 22);
    }
    void TearDown() override
    {
        Form.reset();
        ButtonsTest::TearDown();
        QCoreApplication::processEvents();
    }
    void ShowForm() { ShowActive(*Form); }
    void Leave() { FocusOn(Other); }

    std::unique_ptr<QWidget> Form;
    QLineEdit* Other = nullptr;
};

// The form with an in-memory table: Name (text of 20), Qty (integer),
// Price (float shown as "0.00"), Code (text of 5), Active (text of 5), Flag
// (Boolean) and Note (memo); two records.
class TTableFixture : public TFormFixture {
protected:
    void SetUp() override
    {
        TFormFixture::SetUp();
        Data = std::make_unique<TClientDataSet>();
        Data->FieldDefs().Add(QStringLiteral("Name"), ftString, 20);
        Data->FieldDefs().Add(QStringLiteral("Qty"), ftInteger);
        Data->FieldDefs().Add(QStringLiteral("Price"), ftFloat);
        Data->FieldDefs().Add(QStringLiteral("Code"), ftString, 5);
        Data->FieldDefs().Add(QStringLiteral("Active"), ftString, 5);
        Data->FieldDefs().Add(QStringLiteral("Flag"), ftBoolean);
        Data->FieldDefs().Add(QStringLiteral("Note"), ftMemo);
        Data->CreateDataSet();
        Data->FieldByName(QStringLiteral("Price"))->SetDisplayFormat(QStringLiteral("0.00"));
        AddRecord(QStringLiteral("苹果"), 3, 2.5, QStringLiteral("G"));
        AddRecord(QStringLiteral("Pear"), 7, 10, QStringLiteral("B"));
        Data->First();
        Source = std::make_unique<TDataSource>();
        Source->SetDataSet(Data.get());
    }
    void TearDown() override
    {
        // The controls go first: they hold links to the source.
        Form.reset();
        Source.reset();
        Data.reset();
        TFormFixture::TearDown();
    }
    void AddRecord(const QString& name, int qty, double price, const QString& code)
    {
        Data->Append();
        Field(QStringLiteral("Name"))->SetAsString(name);
        Field(QStringLiteral("Qty"))->SetAsInteger(qty);
        Field(QStringLiteral("Price"))->SetAsFloat(price);
        Field(QStringLiteral("Code"))->SetAsString(code);
        Data->Post();
    }
    TField* Field(const QString& name) const { return Data->FieldByName(name); }

    std::unique_ptr<TClientDataSet> Data;
    std::unique_ptr<TDataSource> Source;
};
