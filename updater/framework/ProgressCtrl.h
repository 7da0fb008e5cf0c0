// A progress bar of a dialog, bound to its control by the dialog's data exchange.
#pragma once

#include <windows.h>

namespace fw {

class CProgressCtrl {
public:
    HWND m_hWnd = nullptr;

    // PBM_SETRANGE: both bounds are 16-bit values.
    void SetRange(short lower, short upper);
    int GetPos() const;   // PBM_GETPOS
    int SetPos(int pos);  // PBM_SETPOS; returns the previous position
};

}  // namespace fw
