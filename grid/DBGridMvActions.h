#pragma once
// The edit actions a window offers (cut, copy, paste, delete, select all)
// as the dataset grid answers them. Each action carries its kind, so the
// grid performs exactly the action it was given; the focused grid takes it
// when the window triggers the action or asks whether it is enabled.

#include "grid/DBGridMv.h"

class TDBGridMvEditActionMv : public QAction {
    Q_OBJECT

public:
    TDBGridMvEditActionMv(TDBGridMvEditAction Kind, const QString& Text, QObject* Parent = nullptr);
    TDBGridMvEditAction Kind() const { return FKind; }
    // The grid that has the focus (itself or through its editor), or null.
    static TCustomDBGridMv* FocusedGrid();
    // Asks the focused grid to enable or disable the action; without a grid
    // that answers it the action is disabled.
    void UpdateFromFocus();

private:
    TDBGridMvEditAction FKind;
};
