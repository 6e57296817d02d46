#pragma once
// The about box: the program's pictures, its version and the maker's lines.

#include <QDialog>

class QLabel;
class QTextEdit;
class QPushButton;
class QWidget;

class TFormKivAbout : public QDialog {
    Q_OBJECT
public:
    explicit TFormKivAbout(QWidget* parent = nullptr);

    QWidget* PanelTop;
    QLabel* Image1;
    QLabel* Image2;
    QLabel* Image3;
    QTextEdit* Memo1;
    QPushButton* BitBtnOK;
};

// Runs the about box modally.
void ShowAbout();
