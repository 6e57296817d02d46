// Renders the edit buttons of every style and state, a pick list below its
// edit, the calendar and the calculator into one PNG for a person to look at.

#include "DropDownTestSupport.h"

#include "gridbase/CalculatorMv.h"

#include <QLineEdit>
#include <QPainter>

namespace {

// One row of buttons of every style in one state.
QImage ButtonRow(bool themed, bool flat, bool active, bool enabled, bool pressed)
{
    SetThemesEnabled(themed);
    QWidget row;
    row.setAutoFillBackground(true);
    row.resize(6 * 22 + 3 * 22, 24);
    const TEditButtonStyleMv styles[] = {ebsDropDownMv, ebsEllipsisMv, ebsGlyphMv, ebsUpDownMv, ebsPlusMv, ebsMinusMv};
    int x = 2;
    for (TEditButtonStyleMv style : styles) {
        auto* button = new TEditButtonControlMv(&row);
        button->SetStyle(style);
        button->SetFlat(flat);
        button->SetActive(active);
        button->setEnabled(enabled);
        if (style == ebsGlyphMv)
            button->SetGlyph(MagnifierGlyph());
        button->setGeometry(x, 2, 17, 20);
        if (pressed)
            Press(button, QPoint(8, 4));
        x += 22;
    }
    QImage image = row.grab().toImage();
    {
        // Check boxes unchecked, checked and grayed beside them.
        QPainter painter(&image);
        for (int state = 0; state < 3; ++state) {
            const QImage box = PaintImage(16, 16, [&](TCanvas& c) {
                c.FillRect(TRect(0, 0, 16, 16), clWindow);
                PaintEditButton(c, TRect(1, 1, 15, 15), clWindow, state, enabled, active, flat, pressed ? 1 : 0,
                                bdkCheckBox);
            });
            painter.drawImage(x + state * 22, 4, box);
        }
    }
    SetThemesEnabled(false);
    return image;
}

} // namespace

TEST_F(ButtonsTest, RendersTheButtonsAPickListTheCalendarAndTheCalculatorToPng)
{
    std::vector<std::pair<QString, QImage>> rows;
    for (bool themed : {false, true}) {
        const QString look = themed ? QStringLiteral("themed ") : QStringLiteral("classic ");
        rows.emplace_back(look + QStringLiteral("raised"), ButtonRow(themed, false, false, true, false));
        rows.emplace_back(look + QStringLiteral("raised, pressed"), ButtonRow(themed, false, false, true, true));
        rows.emplace_back(look + QStringLiteral("flat"), ButtonRow(themed, true, false, true, false));
        rows.emplace_back(look + QStringLiteral("flat, hot"), ButtonRow(themed, true, true, true, false));
        rows.emplace_back(look + QStringLiteral("disabled"), ButtonRow(themed, false, false, false, false));
    }

    // A pick list dropped below its edit, with its grip.
    QWidget window;
    window.resize(220, 60);
    auto* edit = new QLineEdit(QStringLiteral("上海"), &window);
    edit->setGeometry(10, 10, 160, 22);
    window.show();
    TPopupListboxMv list(edit);
    for (const char16_t* item :
         {u"北京", u"上海", u"广州", u"深圳", u"杭州", u"南京", u"成都", u"武汉", u"西安"})
        list.Items().Add(QString::fromUtf16(item));
    list.ItemsChanged();
    list.SetItemHeight(list.GetTextHeight());
    list.SetRowCount(6);
    list.resize(edit->width(), list.height());
    list.SetItemIndex(1);
    list.SizeGrip()->SetVisible(true);
    ShowDropDownWindow(&list, AlignDropDownWindow(edit, &list, daLeft));
    const QImage pickList = list.grab().toImage();
    const QImage editImage = edit->grab().toImage();

    TPopupMonthCalendarMv calendar(edit);
    calendar.SetDate(QDate(2024, 5, 17));
    ShowDropDownWindow(&calendar, QPoint(0, 0));
    const QImage calendarImage = calendar.grab().toImage();

    TPopupCalculatorMv calculator(edit);
    calculator.SetValue(Variant(12.5));
    calculator.CalcKey(u'+');
    calculator.CalcKey(u'3');
    ShowDropDownWindow(&calculator, QPoint(0, 0));
    const QImage calculatorImage = calculator.grab().toImage();
    TCalculatorMv plain;
    plain.show();
    const QImage plainImage = plain.grab().toImage();

    const int labelWidth = 150;
    int height = 10;
    for (const auto& row : rows)
        height += row.second.height() + 4;
    const int dropDownsTop = height + 10;
    height = dropDownsTop + std::max({editImage.height() + pickList.height(), calendarImage.height(),
                                      calculatorImage.height() + plainImage.height() + 10}) + 10;
    const int width = std::max(labelWidth + rows.front().second.width(),
                               10 + editImage.width() + 20 + calendarImage.width() + 20 + plainImage.width()) + 10;
    QImage overview(width, height, QImage::Format_RGB32);
    overview.fill(QColor(0xF0, 0xF0, 0xF0));
    {
        QPainter painter(&overview);
        painter.setFont(QApplication::font());
        int y = 10;
        for (const auto& [label, image] : rows) {
            painter.drawText(QRect(10, y, labelWidth - 10, image.height()), Qt::AlignVCenter, label);
            painter.drawImage(labelWidth, y, image);
            y += image.height() + 4;
        }
        int x = 10;
        painter.drawImage(x, dropDownsTop, editImage);
        painter.drawImage(x, dropDownsTop + editImage.height(), pickList);
        x += editImage.width() + 20;
        painter.drawImage(x, dropDownsTop, calendarImage);
        x += calendarImage.width() + 20;
        painter.drawImage(x, dropDownsTop, calculatorImage);
        painter.drawImage(x, dropDownsTop + calculatorImage.height() + 10, plainImage);
    }
    SaveScreenshot(overview, QStringLiteral("buttons.png"));
    EXPECT_EQ(pickList.height(), 6 * list.ItemHeight() + list.BorderHeight());
    EXPECT_EQ(calculator.DisplayText(), QStringLiteral("3"));
}
