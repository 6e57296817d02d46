#pragma once
// The change-password dialog of the logged-in user. Wrong old passwords
// count against the same limit as the login's.

#include <QDialog>

class QLineEdit;
class QPushButton;
class QWidget;

class TChangePassKiv : public QDialog {
    Q_OBJECT
public:
    explicit TChangePassKiv(QWidget* parent = nullptr);

    QLineEdit* EditOldPass;
    QLineEdit* EditNewPass;
    QLineEdit* EditNewPass2;
    QWidget* PanelBottom;
    QPushButton* BitBtnChange;
    QPushButton* BitBtnCancel;

    void SetUserCode(const QString& userCode);
    const QString& UserCode() const { return FUserCode; }

    void BitBtnChangeClick();

private:
    QString FUserCode;
};

// Runs the dialog for the user; true when the password was changed.
bool ShowChangePassword(const QString& userCode);
