// Renders the data-aware editors in their looks and states into one PNG for
// a person to look at: edits with buttons, an image and the required-field
// mark, a combo box with its list open, and check boxes.

#include "DBCtrlsTestSupport.h"

#include "platform/ImageList.h"

#include <QDir>
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
    auto add = [&](const QString& label, QWidget* widget) { rows.emplace_back(label, widget); };

    auto* bound = new TDBEditMv(Form.get());
    bound->SetDataSource(Source.get());
    bound->SetDataField(QStringLiteral("Name"));
    add(QStringLiteral("bound to Name"), bound);

    auto* price = new TDBEditMv(Form.get());
    price->SetDataSource(Source.get());
    price->SetDataField(QStringLiteral("Price"));
    add(QStringLiteral("Price, right-aligned"), price);

    auto* buttons = new TDBEditMv(Form.get());
    buttons->SetText(QStringLiteral("查找内容"));
    buttons->EditButton().SetVisible(true);
    buttons->EditButton().SetStyle(ebsEllipsisMv);
    buttons->EditButtons().Add()->SetStyle(ebsPlusMv);
    buttons->EditButtons().Add()->SetStyle(ebsMinusMv);
    TEditButtonMv* glyph = buttons->EditButtons().Add();
    glyph->SetStyle(ebsGlyphMv);
    glyph->SetGlyph(MagnifierGlyph());
    add(QStringLiteral("ellipsis, +, -, glyph"), buttons);

    auto* flat = new TDBEditMv(Form.get());
    flat->SetText(QStringLiteral("flat, not hot"));
    flat->SetFlat(true);
    flat->EditButton().SetVisible(true);
    flat->EditButtons().Add()->SetStyle(ebsEllipsisMv);
    add(QStringLiteral("flat"), flat);

    auto* flatHot = new TDBEditMv(Form.get());
    flatHot->SetText(QStringLiteral("flat, hot"));
    flatHot->SetFlat(true);
    flatHot->SetAlwaysShowBorder(true);
    flatHot->EditButton().SetVisible(true);
    flatHot->EditButtons().Add()->SetStyle(ebsEllipsisMv);
    add(QStringLiteral("flat, border shown"), flatHot);

    auto* upDown = new TDBEditMv(Form.get());
    upDown->SetValue(Variant(2));
    upDown->EditButton().SetVisible(true);
    upDown->EditButton().SetStyle(ebsUpDownMv);
    upDown->EditImage().SetImages(images.get());
    upDown->EditImage().SetVisible(true);
    add(QStringLiteral("up-down, image of value"), upDown);

    auto* required = new TDBEditMv(Form.get());
    required->SetHighlightRequired(true);
    add(QStringLiteral("required, empty"), required);

    auto* disabled = new TDBEditMv(Form.get());
    disabled->SetText(QStringLiteral("disabled"));
    disabled->EditButton().SetVisible(true);
    disabled->setEnabled(false);
    add(QStringLiteral("disabled"), disabled);

    auto* combo = new TDBComboBoxMv(Form.get());
    combo->SetItems({QStringLiteral("红色 Red"), QStringLiteral("绿色 Green"), QStringLiteral("蓝色 Blue")});
    combo->SetKeyItems({QStringLiteral("R"), QStringLiteral("G"), QStringLiteral("B")});
    combo->SetImages(images.get());
    combo->SetDataSource(Source.get());
    combo->SetDataField(QStringLiteral("Code"));
    combo->DropDownBox().Sizable = true;
    add(QStringLiteral("key combo, list open"), combo);

    std::vector<TDBCheckBoxMv*> checks;
    const struct {
        const char16_t* caption;
        TCheckBoxStateMv state;
        bool flat;
        bool enabled;
    } looks[] = {{u"未选 unchecked", cbUnchecked, false, true}, {u"选中 checked", cbChecked, false, true},
                 {u"灰色 grayed", cbGrayed, false, true},      {u"flat checked", cbChecked, true, true},
                 {u"disabled", cbChecked, false, false},       {u"区分大小写(&C)", cbUnchecked, false, true}};
    for (const auto& look : looks) {
        auto* check = new TDBCheckBoxMv(Form.get());
        check->resize(150, 17);
        check->SetCaption(QString::fromUtf16(look.caption));
        check->SetAllowGrayed(true);
        check->SetState(look.state);
        check->SetFlat(look.flat);
        check->setEnabled(look.enabled);
        checks.push_back(check);
    }
    auto* right = new TDBCheckBoxMv(Form.get());
    right->resize(150, 17);
    right->SetCaption(QStringLiteral("box on the right"));
    right->SetAlignment(taLeftJustify);
    right->SetChecked(true);
    checks.push_back(right);

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
    const QString dir = BinaryDir() + QStringLiteral("/screenshots");
    ASSERT_TRUE(QDir().mkpath(dir));
    ASSERT_TRUE(overview.save(dir + QStringLiteral("/dbctrls.png")));
    EXPECT_EQ(combo->Text(), QStringLiteral("绿色 Green"));
    EXPECT_EQ(list.width(), combo->width());
}
