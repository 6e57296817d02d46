// The data-aware check box: states read from text and Boolean fields, the
// texts written back, the grayed state, its own value without a dataset,
// the keyboard, and where the box is drawn.

#include "DBCtrlsTestSupport.h"

namespace {

class DBCheckBoxTest : public TTableFixture {
protected:
    TDBCheckBoxMv* Check(const QString& fieldName)
    {
        auto* check = new TDBCheckBoxMv(Form.get());
        check->setGeometry(10, 10, 150, 17);
        check->SetCaption(QStringLiteral("启用"));
        if (!fieldName.isEmpty()) {
            check->SetDataSource(Source.get());
            check->SetDataField(fieldName);
        }
        return check;
    }
    void SetActiveText(const Variant& value)
    {
        if (Data->State() == dsBrowse)
            Data->Edit();
        Field(QStringLiteral("Active"))->SetValue(value);
    }
    static void ClickOn(TDBCheckBoxMv* check) { Click(check->ClientWidget(), QPoint(5, 8)); }
};

} // namespace

TEST_F(DBCheckBoxTest, TextFieldsAreComparedWithTheValueListsIgnoringCase)
{
    TDBCheckBoxMv* check = Check(QStringLiteral("Active"));
    EXPECT_EQ(check->State(), cbGrayed);
    for (const char* text : {"true", "TRUE", "True"}) {
        SetActiveText(Variant(QString::fromLatin1(text)));
        EXPECT_EQ(check->State(), cbChecked) << text;
    }
    SetActiveText(Variant(QStringLiteral("false")));
    EXPECT_EQ(check->State(), cbUnchecked);
    SetActiveText(Variant(QStringLiteral("no")));
    EXPECT_EQ(check->State(), cbGrayed);
    SetActiveText(Variant::Null());
    EXPECT_EQ(check->State(), cbGrayed);

    check->SetValueChecked(QStringLiteral("Y;Yes;1"));
    check->SetValueUnchecked(QStringLiteral("N;No;0"));
    for (const char* text : {"Y", "yes", "1"}) {
        SetActiveText(Variant(QString::fromLatin1(text)));
        EXPECT_EQ(check->State(), cbChecked) << text;
    }
    // The first entry is what the user's choice writes.
    ShowForm();
    ClickOn(check);
    EXPECT_EQ(check->State(), cbUnchecked);
    Leave();
    EXPECT_EQ(Field(QStringLiteral("Active"))->AsString(), QStringLiteral("N"));
    ClickOn(check);
    Leave();
    EXPECT_EQ(Field(QStringLiteral("Active"))->AsString(), QStringLiteral("Y"));
}

TEST_F(DBCheckBoxTest, ClicksGoThroughTheGrayedStateOnlyWhenAllowed)
{
    TDBCheckBoxMv* check = Check(QStringLiteral("Active"));
    ShowForm();
    // A null field is grayed even without AllowGrayed; a click checks it.
    EXPECT_EQ(check->State(), cbGrayed);
    const auto clicksGoThrough = [&](std::initializer_list<TCheckBoxStateMv> states) {
        for (TCheckBoxStateMv state : states) {
            ClickOn(check);
            EXPECT_EQ(check->State(), state);
        }
    };
    clicksGoThrough({cbChecked, cbUnchecked, cbChecked});
    EXPECT_EQ(Data->State(), dsEdit);
    check->SetAllowGrayed(true);
    clicksGoThrough({cbUnchecked, cbGrayed, cbChecked, cbUnchecked});

    // Grayed clears the field.
    ClickOn(check);
    Leave();
    EXPECT_TRUE(Field(QStringLiteral("Active"))->IsNull());

    // A release outside the box does not click.
    Press(check->ClientWidget(), QPoint(5, 8));
    Release(check->ClientWidget(), QPoint(500, 8));
    EXPECT_EQ(check->State(), cbGrayed);
}

TEST_F(DBCheckBoxTest, ABooleanFieldTakesTheBoolean)
{
    TDBCheckBoxMv* check = Check(QStringLiteral("Flag"));
    EXPECT_EQ(check->State(), cbGrayed);
    int clicks = 0;
    check->OnClick = [&](QObject*) { ++clicks; };
    check->SetChecked(true);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(Data->State(), dsEdit);
    EXPECT_TRUE(Field(QStringLiteral("Flag"))->AsBoolean());
    EXPECT_EQ(Field(QStringLiteral("Flag"))->Value().GetKind(), Variant::Kind::Boolean);
    check->SetState(cbUnchecked);
    EXPECT_FALSE(Field(QStringLiteral("Flag"))->IsNull());
    EXPECT_FALSE(Field(QStringLiteral("Flag"))->AsBoolean());
    Data->Post();
    Data->Next();
    EXPECT_EQ(check->State(), cbGrayed);

    // A read-only box does not toggle.
    check->SetReadOnly(true);
    FocusOn(check);
    PressKey(Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
    EXPECT_EQ(check->State(), cbGrayed);
    EXPECT_EQ(Data->State(), dsBrowse);
}

TEST_F(DBCheckBoxTest, SpaceTogglesOnReleaseAndEscapeUndoes)
{
    TDBCheckBoxMv* check = Check(QStringLiteral("Active"));
    SetActiveText(Variant(QStringLiteral("False")));
    Data->Post();
    FocusOn(check);
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
    QApplication::sendEvent(check, &press);
    EXPECT_EQ(check->State(), cbUnchecked);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
    QApplication::sendEvent(check, &release);
    EXPECT_EQ(check->State(), cbChecked);
    EXPECT_TRUE(check->Modified());

    // Escape brings the field's state back and stays with the box; with
    // nothing to undo it goes on to a dialog.
    EXPECT_FALSE(KeyIgnored(check, Qt::Key_Escape, QStringLiteral("\x1b")));
    EXPECT_EQ(check->State(), cbUnchecked);
    EXPECT_TRUE(KeyIgnored(check, Qt::Key_Escape, QStringLiteral("\x1b")));

    // The accelerator of the caption focuses and toggles.
    check->SetCaption(QStringLiteral("区分大小写(&C)"));
    Leave();
    // A key press sent by a program meets the window's short-cuts first.
    PressKey(Qt::Key_C, Qt::AltModifier, QStringLiteral("c"));
    EXPECT_TRUE(check->hasFocus());
    EXPECT_EQ(check->State(), cbChecked);
}

TEST_F(DBCheckBoxTest, WithoutADatasetTheStateIsTheValueAndTheBoxStandsBesideTheCaption)
{
    TDBCheckBoxMv* check = Check(QString());
    EXPECT_TRUE(check->DataIndependent());
    EXPECT_EQ(check->Value(), Variant(false));
    EXPECT_EQ(check->State(), cbUnchecked);
    check->SetState(cbChecked);
    EXPECT_EQ(check->Value(), Variant(true));
    check->SetState(cbGrayed);
    EXPECT_TRUE(check->Value().IsUnassigned());

    // A click is kept until the box is left.
    ShowForm();
    ClickOn(check);
    EXPECT_EQ(check->State(), cbChecked);
    Leave();
    EXPECT_EQ(check->Value(), Variant(true));

    // The box beside the caption.
    const int glyph = CheckBoxGlyphWidth();

    check->SetAlignment(taLeftJustify);
    EXPECT_EQ(check->CheckRect().Right, 150);
    EXPECT_EQ(check->CaptionRect(), TRect(0, 0, 150 - glyph - 5, 17));

    // Painted: the box where CheckRect says, a tick when checked.
    check->SetChecked(true);
    const QImage checked = check->ClientWidget()->grab().toImage();
    check->SetChecked(false);
    const QImage unchecked = check->ClientWidget()->grab().toImage();
    int differing = 0;
    for (int y = 0; y < 17; ++y)
        for (int x = 0; x < 150; ++x)
            if (checked.pixel(x, y) != unchecked.pixel(x, y)) {
                ++differing;
                EXPECT_TRUE(check->CheckRect().Contains(x, y)) << x << "," << y;
            }
    EXPECT_GT(differing, 5);
}
