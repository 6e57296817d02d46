#pragma once
// The proxy dialog: the HTTP proxy of the platform queries, kept in
// "KivSets.ini". Reached from the login dialog and from the main window.

#include <QDialog>

class QLineEdit;
class QPushButton;
class QSpinBox;

class TConfKiv : public QDialog {
    Q_OBJECT
public:
    explicit TConfKiv(QWidget* parent = nullptr);

    QLineEdit* EditProxyServer;
    QSpinBox* seProxyPort;
    QPushButton* BitBtnApply;
    QPushButton* BitBtnCancel;

    // SysRec's proxy into the fields, and back.
    void LoadProxySettings();
    void SaveProxySettings();

    void EditProxyServerChange(const QString& text);
    void BitBtnApplyClick();
};

// Runs the proxy dialog modally over the current proxy settings.
void ShowProxyDialog();
