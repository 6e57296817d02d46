#pragma once
// The progress window of long work (the items sync, the catch-up of missed
// trades). It has no behaviour of its own: its users set the caption, the
// label's text and the bar's range and position, and free it.

#include <QDialog>

class QLabel;
class QProgressBar;

class TFormProgress : public QDialog {
    Q_OBJECT
public:
    explicit TFormProgress(QWidget* parent = nullptr);

    QLabel* LabelTitle;
    QProgressBar* ProgressBar;
};
