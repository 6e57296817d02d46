#pragma once
// Puts the mouse drag settings back when the test ends.

#include "platform/Control.h"

class TDragSettingsScope {
public:
    explicit TDragSettingsScope(TMouseDragSettings settings) : FSaved(MouseDragSettings())
    {
        SetMouseDragSettings(settings);
    }
    ~TDragSettingsScope() { SetMouseDragSettings(FSaved); }
    TDragSettingsScope(const TDragSettingsScope&) = delete;
    TDragSettingsScope& operator=(const TDragSettingsScope&) = delete;

private:
    TMouseDragSettings FSaved;
};
