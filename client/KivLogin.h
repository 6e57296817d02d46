#pragma once
// The login dialog, run once at start before the main window exists: a user
// code and a password checked against "SYS_User", at most LoginFailureLimit
// wrong passwords in the whole run.

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

class TLoginKiv : public QDialog {
    Q_OBJECT
public:
    explicit TLoginKiv(QWidget* parent = nullptr);

    QLabel* ImageLogin;
    QComboBox* ComboBoxUser;
    QLineEdit* EditPassword;
    QPushButton* BitBtnLogin;
    QPushButton* BitBtnConfig;
    QLabel* LabelVersion;

    void FormShow();
    void BitBtnLoginClick();
    void BitBtnConfigClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    // After a login: what LoadStockTime and LoadLowStock told of stored
    // values they could not use.
    void TellUnusableSettings(const QString& stockNotice, const QString& lowStockNotice);
};

// Runs the login dialog modally with the users of "SYS_User" offered;
// true when a user logged in.
bool ShowLogin();

// True when the user code has a row in "SYS_User" whose stored hash is the
// password's hash. A code without a row matches no password at all.
bool PasswordMatches(const QString& userCode, const QString& password);

// Sets the password edits of the program's dialogs to show '*' per character.
void SetPasswordEcho(QLineEdit& edit);
