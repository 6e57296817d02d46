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

// The code, as stored, of the user that the typed code names, when the
// password is that user's (its stored hash is PasswordHash of the stored
// code and the password); empty otherwise. The typed code names the user
// stored under exactly that code, else the one user whose code is the same
// once the blanks around both are dropped; none when two are. The
// database's own comparison (trailing blanks ignored) never decides it.
QString LoginUserCode(const QString& typedCode, const QString& password);
// True when LoginUserCode names a user: a code without a row matches no
// password at all.
bool PasswordMatches(const QString& userCode, const QString& password);

// Sets the password edits of the program's dialogs to show '*' per character.
void SetPasswordEcho(QLineEdit& edit);
