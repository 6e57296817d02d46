#include "gridbase/CalculatorMv.h"

#include "gridbase/ToolCtrlsMvWatch.h"
#include "platform/Format.h"
#include "platform/MulDiv.h"

#include <QApplication>
#include <QClipboard>
#include <QFontMetrics>
#include <QLabel>
#include <cmath>

namespace {

// The layout the calculator was designed in: client size, and the text
// height of its font, to which everything is scaled.
constexpr int DesignClientWidth = 184;
constexpr int DesignClientHeight = 127;
constexpr int DesignTextHeight = 13;
constexpr int DesignFontHeight = 11;
constexpr int DigitLimit = 15;

// The key of each button's Tag.
constexpr char16_t KeyTable[24] = {0,   u'7', u'8', u'9', u'/', u'S', u'C', u'4', u'5', u'6', u'*', u'%',
                                   u'A', u'1', u'2', u'3', u'-', u'R', 8,    u'0', u'I', u'.', u'+', u'='};

struct TKeyLayout {
    TSpeedButtonMv* TCalculatorMv::*Member;
    const char16_t* Caption;
    int Tag;
    TRect Rect;
};

const TKeyLayout Layout[] = {
    {&TCalculatorMv::SpeedButton1, u"7", 1, Bounds(6, 29, 27, 22)},
    {&TCalculatorMv::SpeedButton12, u"8", 2, Bounds(35, 29, 27, 22)},
    {&TCalculatorMv::SpeedButton11, u"9", 3, Bounds(64, 29, 27, 22)},
    {&TCalculatorMv::SpeedButton16, u"/", 4, Bounds(93, 29, 27, 22)},
    {&TCalculatorMv::SpeedButton20, u"sqrt", 5, Bounds(122, 29, 27, 22)},
    {&TCalculatorMv::SpeedButton23, u"C", 6, Bounds(151, 29, 27, 46)},
    {&TCalculatorMv::SpeedButton10, u"4", 7, Bounds(6, 53, 27, 22)},
    {&TCalculatorMv::SpeedButton9, u"5", 8, Bounds(35, 53, 27, 22)},
    {&TCalculatorMv::SpeedButton8, u"6", 9, Bounds(64, 53, 27, 22)},
    {&TCalculatorMv::SpeedButton15, u"*", 10, Bounds(93, 53, 27, 22)},
    {&TCalculatorMv::SpeedButton19, u"%", 11, Bounds(122, 53, 27, 22)},
    {&TCalculatorMv::SpeedButton24, u"Cancel", 12, Bounds(151, 52, 27, 23)},
    {&TCalculatorMv::SpeedButton7, u"1", 13, Bounds(6, 77, 27, 22)},
    {&TCalculatorMv::SpeedButton6, u"2", 14, Bounds(35, 77, 27, 22)},
    {&TCalculatorMv::SpeedButton5, u"3", 15, Bounds(64, 77, 27, 22)},
    {&TCalculatorMv::SpeedButton14, u"-", 16, Bounds(93, 77, 27, 22)},
    {&TCalculatorMv::SpeedButton18, u"1/x", 17, Bounds(122, 77, 27, 22)},
    {&TCalculatorMv::SpeedButton22, u"<-", 18, Bounds(151, 77, 27, 22)},
    {&TCalculatorMv::SpeedButton4, u"0", 19, Bounds(6, 101, 27, 22)},
    {&TCalculatorMv::SpeedButton3, u"+/-", 20, Bounds(35, 101, 27, 22)},
    {&TCalculatorMv::SpeedButton2, u".", 21, Bounds(64, 101, 27, 22)},
    {&TCalculatorMv::SpeedButton13, u"+", 22, Bounds(93, 101, 27, 22)},
    {&TCalculatorMv::spEqual, u"Ok", 23, Bounds(122, 101, 56, 22)},
};

constexpr TRect DesignPanel = Bounds(6, 4, 171, 19);
constexpr int PanelBorderWidth = 2;

bool IsDecimalKey(QChar key)
{
    return key == FormatSettings.DecimalSeparator || key == u'.' || key == u',';
}

} // namespace

// ---------------------------------------------------------------- TCalculatorMv

TCalculatorMv::TCalculatorMv(QWidget* Parent) : TCustomControl(Parent)
{
    QFont design = QApplication::font();
    design.setPixelSize(DesignFontHeight);
    setFont(design);
    SetColor(clBtnFace);
    SetBorderStyle(bsSingle);
    CreateLayout();
    Clear();
    AutoSize();
}

TCalculatorMv::~TCalculatorMv() = default;

void TCalculatorMv::CreateLayout()
{
    TextBox = new QLabel(QStringLiteral("0"), ClientWidget());
    TextBox->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    TextBox->setFont(font());
    for (const TKeyLayout& item : Layout) {
        auto* button = new TSpeedButtonMv(ClientWidget());
        button->setFont(font());
        button->SetCaption(QString::fromUtf16(item.Caption));
        button->SetTag(item.Tag);
        button->SetStyle(ebsGlyphMv);
        button->SetActive(true);
        button->OnClick = [this](QObject* sender) { SpeedButtonClick(sender); };
        this->*item.Member = button;
        FButtons[size_t(item.Tag)] = button;
    }
    // The red cancel key lies under "C", which covers it.
    SpeedButton24->SetFontColor(clRed);
    SpeedButton24->SetLayout(blGlyphRight);
    SpeedButton24->SetActive(false);
    SpeedButton24->lower();
    PlaceControls();
}

TRect TCalculatorMv::Scaled(const TRect& r) const
{
    const int m = QFontMetrics(font()).height();
    return Bounds(MulDiv(r.Left, m, DesignTextHeight), MulDiv(r.Top, m, DesignTextHeight),
                  MulDiv(r.Width(), m, DesignTextHeight), MulDiv(r.Height(), m, DesignTextHeight));
}

QSize TCalculatorMv::DesignClientSize() const
{
    const TRect r = Scaled(Bounds(0, 0, DesignClientWidth, DesignClientHeight));
    return QSize(r.Width(), r.Height());
}

TRect TCalculatorMv::PanelRect() const
{
    return Scaled(DesignPanel);
}

void TCalculatorMv::PlaceControls()
{
    for (const TKeyLayout& item : Layout)
        (this->*item.Member)->setGeometry(Scaled(item.Rect).ToQRect());
    // The label fills the panel inside its edge and border.
    TextBox->setGeometry(PanelRect().Inflate(-1 - PanelBorderWidth, -1).ToQRect());
}

void TCalculatorMv::AutoSize()
{
    const QSize client = DesignClientSize();
    resize(client.width() + 2 * BorderWidth(), client.height() + 2 * BorderWidth());
}

void TCalculatorMv::Resized()
{
    PlaceControls();
}

void TCalculatorMv::SetFlat(bool Value)
{
    FFlat = Value;
    for (TSpeedButtonMv* button : FButtons)
        if (button)
            button->SetFlat(Value);
}

TSpeedButtonMv* TCalculatorMv::ButtonByTag(int Tag) const
{
    return Tag > 0 && Tag < int(FButtons.size()) ? FButtons[size_t(Tag)] : nullptr;
}

void TCalculatorMv::Paint()
{
    TCanvas& canvas = Canvas();
    canvas.FillRect(ClientRect(), Color());
    TRect panel = PanelRect();
    canvas.FillRect(panel, clWindow);
    canvas.DrawEdge(panel, BDR_SUNKENOUTER, BF_RECT);
}

// ---------------------------------------------------------------- display

QString TCalculatorMv::DisplayText() const
{
    return TextBox->text();
}

void TCalculatorMv::SetText(const QString& Text)
{
    TextBox->setText(Text);
}

double TCalculatorMv::Value() const
{
    if (FStatus == csError)
        return 0;
    double value = 0;
    return TryStrToFloat(DisplayText().trimmed(), value) ? value : 0;
}

void TCalculatorMv::SetDisplay(double Value)
{
    // A result beyond the range of numbers is no number to show.
    if (!std::isfinite(Value)) {
        Error();
        return;
    }
    SetText(FloatToStr(Value));
}

void TCalculatorMv::Error()
{
    FStatus = csError;
    SetText(QStringLiteral("Error"));
}

void TCalculatorMv::Clear()
{
    FStatus = csFirst;
    SetDisplay(0);
    FOperator = u'=';
    FOperand = 0;
    UpdateEqualButton();
}

void TCalculatorMv::SetValue(double Value)
{
    Clear();
    SetDisplay(Value);
    UpdateEqualButton();
}

void TCalculatorMv::CheckFirst()
{
    if (FStatus == csFirst) {
        FStatus = csValid;
        SetText(QStringLiteral("0"));
    }
}

bool TCalculatorMv::OkButtonShown() const
{
    return spEqual->Caption() == QStringLiteral("Ok");
}

void TCalculatorMv::UpdateEqualButton()
{
    const bool pending = FOperator == u'*' || FOperator == u'+' || FOperator == u'-' || FOperator == u'/';
    spEqual->SetCaption(FOperand != 0 && FStatus == csValid && pending ? QStringLiteral("=") : QStringLiteral("Ok"));
}

void TCalculatorMv::Copy()
{
    QApplication::clipboard()->setText(DisplayText());
}

void TCalculatorMv::Paste()
{
    const QString text = QApplication::clipboard()->text();
    if (text.isEmpty())
        return;
    double value = 0;
    // Text that is no number is an error, as a division by zero would be.
    if (TryStrToFloat(text.trimmed(), value))
        SetDisplay(value);
    else
        Error();
}

// ---------------------------------------------------------------- the engine

void TCalculatorMv::CalcKey(QChar Key)
{
    Key = Key.toUpper();
    // An error stays until the display is cleared.
    if (FStatus == csError && Key != u'C' && Key != QChar(VK_ESCAPE))
        Key = QChar();

    if (IsDecimalKey(Key)) {
        CheckFirst();
        if (!DisplayText().contains(FormatSettings.DecimalSeparator))
            SetText(DisplayText() + FormatSettings.DecimalSeparator);
        UpdateEqualButton();
        return;
    }
    const char16_t key = Key.unicode();
    switch (key) {
    case u'R':
        if (FStatus != csError) {
            FStatus = csFirst;
            if (Value() == 0)
                Error();
            else
                SetDisplay(1.0 / Value());
        }
        break;
    case u'S':
        if (FStatus != csError) {
            FStatus = csFirst;
            if (Value() < 0)
                Error();
            else
                SetDisplay(std::sqrt(Value()));
        }
        break;
    case u'I': SetDisplay(-Value()); break;
    case VK_BACK: {
        CheckFirst();
        QString text = DisplayText();
        text.chop(1);
        // A sign changed with +/- may have left an exponent ("-5E-5"): what
        // is left must still be a number, so a cut exponent goes whole.
        const auto isNumber = [](const QString& t) {
            double number = 0;
            const QString digits = t.endsWith(FormatSettings.DecimalSeparator) ? t.chopped(1) : t;
            return TryStrToFloat(digits, number) && digits != QStringLiteral("-");
        };
        while (!text.isEmpty() && !isNumber(text))
            text.chop(1);
        SetText(text.isEmpty() ? QStringLiteral("0") : text);
        break;
    }
    case u'+':
    case u'-':
    case u'*':
    case u'/':
    case u'%':
    case u'=':
    case VK_RETURN: {
        if (FStatus == csValid) {
            FStatus = csFirst;
            double r = Value();
            if (key == u'%') {
                if (FOperator == u'*' || FOperator == u'/')
                    r = r / 100.0;
                else if (FOperator == u'+' || FOperator == u'-')
                    r = FOperand * r / 100.0;
            }
            switch (FOperator.unicode()) {
            case u'*': SetDisplay(FOperand * r); break;
            case u'+': SetDisplay(FOperand + r); break;
            case u'-': SetDisplay(FOperand - r); break;
            case u'/':
                if (r == 0)
                    Error();
                else
                    SetDisplay(FOperand / r);
                break;
            default: SetDisplay(r); break;
            }
        }
        FOperator = Key;
        FOperand = Value();
        break;
    }
    case u'C':
    case VK_ESCAPE: Clear(); break;
    case 3: Copy(); break;
    case 22: Paste(); break;
    default:
        if (key >= u'0' && key <= u'9') {
            CheckFirst();
            QString text = DisplayText();
            if (text == QStringLiteral("0"))
                text.clear();
            const int limit = DigitLimit + (text.contains(u'-') ? 1 : 0);
            if (!text.contains(u'E') && text.size() < limit)
                text += Key;
            SetText(text.isEmpty() ? QStringLiteral("0") : text);
        }
        break;
    }
    UpdateEqualButton();
}

void TCalculatorMv::SpeedButtonClick(QObject* Sender)
{
    auto* button = dynamic_cast<TSpeedButtonMv*>(Sender);
    if (!button || button->Tag() <= 0 || button->Tag() >= int(std::size(KeyTable)))
        return;
    CalcKey(QChar(KeyTable[button->Tag()]));
}

void TCalculatorMv::KeyDown(quint16& Key, TShiftState)
{
    // Delete clears whatever shift keys are held with it.
    if (Key == VK_DELETE) {
        CalcKey(u'C');
        Key = 0;
    }
}

void TCalculatorMv::KeyPress(QChar& Key)
{
    CalcKey(Key);
    Key = QChar();
}

unsigned TCalculatorMv::DialogCode()
{
    return DLGC_WANTARROWS | DLGC_WANTCHARS;
}

bool TCalculatorMv::DoMouseWheelDown(TShiftState, const QPoint&)
{
    if (FStatus != csError)
        SetDisplay(Value() - 1);
    return true;
}

bool TCalculatorMv::DoMouseWheelUp(TShiftState, const QPoint&)
{
    if (FStatus != csError)
        SetDisplay(Value() + 1);
    return true;
}

// ---------------------------------------------------------------- TPopupCalculatorMv

TPopupCalculatorMv::TPopupCalculatorMv(QWidget* Owner) : TCalculatorMv(Owner), FOwner(Owner)
{
    SetDropDownWindowFlags(this, false);
    SetFlat(true);
    FWatch = new TDropDownWatchMv(this, [this] {
        if (!PrivateMessagePending(MV_DROPDOWNCANCEL))
            PostPrivateMessage(MV_DROPDOWNCANCEL);
    });
    RecreateWnd();
    AutoSize();
    hide();
}

TPopupCalculatorMv::~TPopupCalculatorMv()
{
    FWatch->SetWatching(false);
}

void TPopupCalculatorMv::CloseUp(bool Accept)
{
    if (IDropDownOwnerMv* owner = DropDownOwnerOf(FOwner.data()))
        owner->CloseUp(Accept);
}

void TPopupCalculatorMv::CalcKey(QChar Key)
{
    if ((Key == u'=' || Key == QChar(VK_RETURN)) && OkButtonShown()) {
        CloseUp(true);
        return;
    }
    TCalculatorMv::CalcKey(Key);
}

Variant TPopupCalculatorMv::GetValue() const
{
    if (Status() == csError)
        return Variant();
    return Variant(Value());
}

void TPopupCalculatorMv::SetValue(const Variant& Value)
{
    TCalculatorMv::SetValue(Value.AsFloat());
}

void TPopupCalculatorMv::KeyDown(quint16& Key, TShiftState Shift)
{
    if (Key == VK_ESCAPE) {
        CloseUp(false);
        Key = 0;
        return;
    }
    TCalculatorMv::KeyDown(Key, Shift);
}

void TPopupCalculatorMv::KeyPress(QChar& Key)
{
    // Esc has closed the drop-down on its way down.
    if (Key == QChar(VK_ESCAPE)) {
        Key = QChar();
        return;
    }
    TCalculatorMv::KeyPress(Key);
}

unsigned TPopupCalculatorMv::DialogCode()
{
    return DLGC_WANTARROWS | DLGC_WANTTAB | DLGC_WANTALLKEYS | DLGC_WANTCHARS;
}

int TPopupCalculatorMv::BorderWidth() const
{
    return Ctl3D() ? 2 : 1;
}

void TPopupCalculatorMv::PaintBorder(TCanvas& canvas, const TRect& rect)
{
    if (!Ctl3D()) {
        canvas.Brush = TBrush{clWindowFrame, bsSolid};
        canvas.FrameRect(rect);
        return;
    }
    canvas.Brush = TBrush{cl3DDkShadow, bsSolid};
    canvas.FrameRect(rect);
    TRect inner = rect.Inflate(-1, -1);
    canvas.DrawEdge(inner, BDR_RAISEDINNER, BF_RECT);
}

void TPopupCalculatorMv::PrivateMessage(int msg, qintptr param)
{
    if (msg == MV_DROPDOWNCANCEL) {
        if (isVisible())
            CloseUp(false);
        return;
    }
    TCalculatorMv::PrivateMessage(msg, param);
}

void TPopupCalculatorMv::showEvent(QShowEvent* event)
{
    TCalculatorMv::showEvent(event);
    FWatch->SetWatching(true);
}

void TPopupCalculatorMv::hideEvent(QHideEvent* event)
{
    TCalculatorMv::hideEvent(event);
    FWatch->SetWatching(false);
    RemovePrivateMessage(MV_DROPDOWNCANCEL);
}
