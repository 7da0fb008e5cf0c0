#include "ProgressCtrl.h"

#include <commctrl.h>

namespace fw {

void CProgressCtrl::SetRange(short lower, short upper) {
    SendMessageW(m_hWnd, PBM_SETRANGE, 0, MAKELPARAM(lower, upper));
}

int CProgressCtrl::GetPos() const {
    return static_cast<int>(SendMessageW(m_hWnd, PBM_GETPOS, 0, 0));
}

int CProgressCtrl::SetPos(int pos) {
    return static_cast<int>(SendMessageW(m_hWnd, PBM_SETPOS, static_cast<WPARAM>(pos), 0));
}

}  // namespace fw
