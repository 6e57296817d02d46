// Renders the data-aware editors in their looks and states into one PNG for
// a person to look at: edits with buttons, an image and the required-field
// mark, a combo box with its list open, and check boxes.

#include "DBCtrlsTestSupport.h"

#include "platform/ImageList.h"

#include <QPainter>

namespace {

// Three small glyphs drawn here: a red, a green and a blue dot.
std::unique_ptr<TImageList> DotImages()
{
    auto images = std::make_unique<TImageList>(16, 16);
    QImage strip(48, 16, QImage::Format_ARGB32);
    strip.fill(Qt::transparent);
    QPainter painter(&strip);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor colors[] = {QColor(0xD0, 0x30, 0x30), QColor(0x30, 0xA0, 0x40), QColor(0x30, 0x50, 0xD0)};
    for (int i = 0; i < 3; ++i) {
        painter.setBrush(colors[i]);
        painter.setPen(Qt::NoPen);
        painter.drawEllipse(QRectF(i * 16 + 3, 3, 10, 10));
    }
    painter.end();
    images->AddStrip(strip);
    return images;
}

class DBCtrlsScreenshotTest : public TTableFixture {};

} // namespace

TEST_F(DBCtrlsScreenshotTest, RendersEditsAComboListAndCheckBoxesToPng)
{
    const auto images = DotImages();
    std::vector<std::pair<QString, QWidget*>> rows;
    // An edit in a labelled row, showing the text if there is one.
    const auto edit = [&](const QString& label, const QString& text = QString()) {
        auto* e = new TDBEditMv(Form.get());
        if (!text.isEmpty())
            e->SetText(text);
        rows.emplace_back(label, e);
        return e;
    };
    for (const auto& [label, field] :
         {std::pair{u"bound to Name"_qs, u"Name"_qs}, {u"Price, right-aligned"_qs, u"Price"_qs}}) {
        TDBEditMv* bound = edit(label);
        bound->SetDataSource(Source.get());
        bound->SetDataField(field);
    }

    TDBEditMv* buttons = edit(u"ellipsis, +, -, glyph"_qs, u"查找内容"_qs);
    buttons->EditButton().SetVisible(true);
    buttons->EditButton().SetStyle(ebsEllipsisMv);
    buttons->EditButtons().Add()->SetStyle(ebsPlusMv);
    buttons->EditButtons().Add()->SetStyle(ebsMinusMv);
    TEditButtonMv* glyph = buttons->EditButtons().Add();
    glyph->SetStyle(ebsGlyphMv);
    glyph->SetGlyph(MagnifierGlyph());

    for (const bool border : {false, true}) {
        TDBEditMv* flat =
            edit(border ? u"flat, border shown"_qs : u"flat"_qs, border ? u"flat, hot"_qs : u"flat, not hot"_qs);
        flat->SetFlat(true);
        flat->SetAlwaysShowBorder(border);
        flat->EditButton().SetVisible(true);
        flat->EditButtons().Add()->SetStyle(ebsEllipsisMv);
    }

    TDBEditMv* upDown = edit(u"up-down, image of value"_qs);
    upDown->SetValue(Variant(2));
    upDown->EditButton().SetVisible(true);
    upDown->EditButton().SetStyle(ebsUpDownMv);
    upDown->EditImage().SetImages(images.get());
    upDown->EditImage().SetVisible(true);

    edit(u"required, empty"_qs)->SetHighlightRequired(true);
    TDBEditMv* disabled = edit(u"disabled"_qs, u"disabled"_qs);
    disabled->EditButton().SetVisible(true);
    disabled->setEnabled(false);

    auto* combo = new TDBComboBoxMv(Form.get());
    combo->SetItems({QStringLiteral("红色 Red"), QStringLiteral("绿色 Green"), QStringLiteral("蓝色 Blue")});
    combo->SetKeyItems({QStringLiteral("R"), QStringLiteral("G"), QStringLiteral("B")});
    combo->SetImages(images.get());
    combo->SetDataSource(Source.get());
    combo->SetDataField(QStringLiteral("Code"));
    combo->DropDownBox().Sizable = true;
    rows.emplace_back(QStringLiteral("key combo, list open"), combo);

    std::vector<TDBCheckBoxMv*> checks;
    const struct {
        const char16_t* caption;
        TCheckBoxStateMv state;
        bool flat;
        bool enabled;
        TAlignment alignment;
    } looks[] = {{u"未选 unchecked", cbUnchecked, false, true, taRightJustify},
                 {u"选中 checked", cbChecked, false, true, taRightJustify},
                 {u"灰色 grayed", cbGrayed, false, true, taRightJustify},
                 {u"flat checked", cbChecked, true, true, taRightJustify},
                 {u"disabled", cbChecked, false, false, taRightJustify},
                 {u"区分大小写(&C)", cbUnchecked, false, true, taRightJustify},
                 {u"box on the right", cbChecked, false, true, taLeftJustify}};
    for (const auto& look : looks) {
        auto* check = new TDBCheckBoxMv(Form.get());
        check->resize(150, 17);
        check->SetCaption(QString::fromUtf16(look.caption));
        check->SetAllowGrayed(true);
        check->SetState(look.state);
        check->SetFlat(look.flat);
        check->setEnabled(look.enabled);
        check->SetAlignment(look.alignment);
        checks.push_back(check);
    }

    Form->resize(420, 600);
    int y = 4;
    for (const auto& row : rows) {
        row.second->setGeometry(150, y, 220, row.second->height());
        y += row.second->height() + 6;
    }
    for (TDBCheckBoxMv* check : checks) {
        check->move(10, y);
        y += check->height() + 4;
    }
    ShowForm();
    FocusOn(checks.back());
    combo->setFocus();
    combo->DropDown();
    QCoreApplication::processEvents();
    ASSERT_TRUE(combo->ListVisible());
    const QImage list = combo->ListBox()->grab().toImage();
    FocusOn(checks[2]);

    const int labelWidth = 150;
    QImage overview(440, y + list.height() + 20, QImage::Format_RGB32);
    overview.fill(QColor(0xF0, 0xF0, 0xF0));
    {
        QPainter painter(&overview);
        painter.setFont(QApplication::font());
        for (const auto& [label, widget] : rows) {
            painter.drawText(QRect(10, widget->y(), labelWidth - 12, widget->height()), Qt::AlignVCenter, label);
            painter.drawImage(widget->x(), widget->y(), widget->grab().toImage());
        }
        painter.drawImage(combo->x(), combo->y() + combo->height(), list);
        for (TDBCheckBoxMv* check : checks)
            painter.drawImage(check->x(), check->y() + list.height(), check->grab().toImage());
    }
    SaveScreenshot(overview, QStringLiteral("dbctrls.png"));
    EXPECT_EQ(combo->Text(), QStringLiteral("绿色 Green"));
    EXPECT_EQ(list.width(), combo->width());
}
