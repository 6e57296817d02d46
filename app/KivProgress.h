#pragma once
// The progress window of long work (the items sync, the catch-up of missed
// trades). Its users set the caption, the label's text and the bar's range
// and position, and free it. It goes only with them: work the seller
// started relies on it as the lock that keeps every other window out of
// reach (it is shown application-modal), so Esc and the window system's
// close do nothing, and it has no border icons. Work that can stop between
// its items offers the "停止" button. Work the program started by itself
// holds nobody: its window is neither modal nor above other windows
// (HoldNobody).

#include <QDialog>
#include <functional>

class QLabel;
class QProgressBar;
class QPushButton;

class TFormProgress : public QDialog {
    Q_OBJECT
public:
    explicit TFormProgress(QWidget* parent = nullptr);

    QLabel* LabelTitle;
    QProgressBar* ProgressBar;
    // Hidden until AllowStop.
    QPushButton* ButtonStop;

    // Shows "停止" under the bar; pressed, it is disabled and onStop runs
    // (the work stops after the item at hand).
    void AllowStop(std::function<void()> onStop);
    // Before it is shown: the seller goes on with every window while it
    // shows, and it stays above its owner only.
    void HoldNobody();

    void reject() override;

private:
    std::function<void()> FOnStop;
};

// Shows a progress window while work on the database takes more than a
// moment (UpgradeProgress of client/KivSkuSums.h).
void InstallUpgradeProgress();
