#pragma once
// CalculatorMv: a small four-function calculator (TCalculatorMv) and its
// drop-down form (TPopupCalculatorMv) that the grid's cell editor opens
// below a numeric cell. The user computes with the mouse or the keyboard;
// the drop-down hands the result back through its owner's
// IDropDownOwnerMv::CloseUp.
//
// Keys (upper-cased first): digits and the decimal separator type a number
// (at most 15 digits); + - * / apply the pending operator and become the
// next one; % takes a percentage of the operand (after + or -) or a
// hundredth (after * or /); = and Enter finish; S square root, R 1/x,
// I +/-, Backspace removes a digit, C and Esc clear, Ctrl+C copies the
// display, Ctrl+V reads a number from the clipboard. Division by zero, the
// root of a negative number, 1/0 and results too large for a number show
// "Error", which only C (or Delete, or Esc) leaves.

#include "gridbase/ToolCtrlsMv.h"
#include "platform/Control.h"
#include "platform/Variant.h"

#include <QChar>
#include <QString>
#include <array>

class QLabel;

// Through this a drop-down owner seeds and reads the calculator.
class IPopupCalculatorMv {
public:
    virtual ~IPopupCalculatorMv() = default;
    // The "=" button reads "Ok": Enter would accept the value.
    virtual bool GetOkButtonShown() const = 0;
    virtual bool GetFlat() const = 0;
    // The displayed value as a float; Unassigned (no number) in the error
    // state.
    virtual Variant GetValue() const = 0;
    virtual void SetFlat(bool Value) = 0;
    // Clears, then displays the value read as a float.
    virtual void SetValue(const Variant& Value) = 0;
};

class TCalculatorMv : public TCustomControl {
public:
    // 0: the next digit starts a new number; 1: a number is being typed;
    // 2: error.
    enum TCalcStatus { csFirst = 0, csValid = 1, csError = 2 };

    explicit TCalculatorMv(QWidget* Parent = nullptr);
    ~TCalculatorMv() override;

    // Processes one key (a character of the key table).
    virtual void CalcKey(QChar Key);
    // The button's key: SpeedButtonClick of every button.
    void SpeedButtonClick(QObject* Sender);

    // What the display shows.
    QString DisplayText() const;
    // The displayed value; 0 in the error state.
    double Value() const;
    // Clears, then displays the value.
    void SetValue(double Value);
    void Clear();
    TCalcStatus Status() const { return FStatus; }
    QChar PendingOperator() const { return FOperator; }
    double Operand() const { return FOperand; }
    // The "=" button reads "Ok".
    bool OkButtonShown() const;
    // Flat buttons (no 3-D look of their own).
    bool Flat() const { return FFlat; }
    void SetFlat(bool Value);
    // The client size from the layout: the design size scaled to the font.
    QSize DesignClientSize() const;
    // Sizes the control to its layout and border.
    void AutoSize();

    // The display panel's label and the keys, by their layout names.
    QLabel* TextBox = nullptr;
    TSpeedButtonMv* SpeedButton1 = nullptr;
    TSpeedButtonMv* SpeedButton2 = nullptr;
    TSpeedButtonMv* SpeedButton3 = nullptr;
    TSpeedButtonMv* SpeedButton4 = nullptr;
    TSpeedButtonMv* SpeedButton5 = nullptr;
    TSpeedButtonMv* SpeedButton6 = nullptr;
    TSpeedButtonMv* SpeedButton7 = nullptr;
    TSpeedButtonMv* SpeedButton8 = nullptr;
    TSpeedButtonMv* SpeedButton9 = nullptr;
    TSpeedButtonMv* SpeedButton10 = nullptr;
    TSpeedButtonMv* SpeedButton11 = nullptr;
    TSpeedButtonMv* SpeedButton12 = nullptr;
    TSpeedButtonMv* SpeedButton13 = nullptr;
    TSpeedButtonMv* SpeedButton14 = nullptr;
    TSpeedButtonMv* SpeedButton15 = nullptr;
    TSpeedButtonMv* SpeedButton16 = nullptr;
    TSpeedButtonMv* SpeedButton18 = nullptr;
    TSpeedButtonMv* SpeedButton19 = nullptr;
    TSpeedButtonMv* SpeedButton20 = nullptr;
    TSpeedButtonMv* SpeedButton22 = nullptr;
    TSpeedButtonMv* SpeedButton23 = nullptr;
    TSpeedButtonMv* SpeedButton24 = nullptr;
    TSpeedButtonMv* spEqual = nullptr;
    // The button whose Tag is given; null for none.
    TSpeedButtonMv* ButtonByTag(int Tag) const;

protected:
    void Paint() override;
    void KeyDown(quint16& Key, TShiftState Shift) override;
    void KeyPress(QChar& Key) override;
    unsigned DialogCode() override;
    bool DoMouseWheelDown(TShiftState Shift, const QPoint& MousePos) override;
    bool DoMouseWheelUp(TShiftState Shift, const QPoint& MousePos) override;
    void Resized() override;

    // The engine's display steps.
    void SetDisplay(double Value);
    void SetText(const QString& Text);
    void Error();

private:
    void CreateLayout();
    void PlaceControls();
    void CheckFirst();
    void UpdateEqualButton();
    void Copy();
    void Paste();
    TRect Scaled(const TRect& DesignRect) const;
    TRect PanelRect() const;

    std::array<TSpeedButtonMv*, 24> FButtons{};
    double FOperand = 0;
    QChar FOperator = u'=';
    TCalcStatus FStatus = csFirst;
    bool FFlat = false;
};

// The drop-down: flat keys, its own border, never focused (its owner passes
// it the keys). Enter or "=" while the button reads "Ok" closes it
// accepting; Esc closes it without.
class TPopupCalculatorMv : public TCalculatorMv, public IPopupCalculatorMv {
public:
    explicit TPopupCalculatorMv(QWidget* Owner);
    ~TPopupCalculatorMv() override;

    QWidget* Owner() const { return FOwner.data(); }
    void CalcKey(QChar Key) override;

    bool GetOkButtonShown() const override { return OkButtonShown(); }
    bool GetFlat() const override { return Flat(); }
    Variant GetValue() const override;
    void SetFlat(bool Value) override { TCalculatorMv::SetFlat(Value); }
    void SetValue(const Variant& Value) override;

protected:
    void KeyDown(quint16& Key, TShiftState Shift) override;
    void KeyPress(QChar& Key) override;
    unsigned DialogCode() override;
    int BorderWidth() const override;
    void PaintBorder(TCanvas& canvas, const TRect& rect) override;
    void PrivateMessage(int msg, qintptr param) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void CloseUp(bool Accept);

    QPointer<QWidget> FOwner;
    TDropDownWatchMv* FWatch = nullptr;
};
