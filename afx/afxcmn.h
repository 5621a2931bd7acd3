// afxcmn.h - thin wrappers for the standard and common controls the program
// binds with DDX_Control. Each wraps an existing child window; none owns it.
#pragma once

#include "afxwin.h"

// CButton - push buttons and check boxes.
class CButton : public CWnd {
public:
    int GetCheck() const { return static_cast<int>(SendMessage(BM_GETCHECK)); }
    void SetCheck(int nCheck) { SendMessage(BM_SETCHECK, static_cast<WPARAM>(nCheck)); }
};

// CStatic - static text.
class CStatic : public CWnd {};

// CProgressCtrl - msctls_progress32.
class CProgressCtrl : public CWnd {
public:
    int SetStep(int nStep) { return static_cast<int>(SendMessage(PBM_SETSTEP, nStep)); }
    int StepIt() { return static_cast<int>(SendMessage(PBM_STEPIT)); }
    int GetPos() const { return static_cast<int>(SendMessage(PBM_GETPOS)); }
    void SetRange(short nLower, short nUpper) {
        SendMessage(PBM_SETRANGE, 0, MAKELPARAM(nLower, nUpper));
    }
};

// CSpinButtonCtrl - msctls_updown32.
class CSpinButtonCtrl : public CWnd {
public:
    // UDM_SETRANGE: one word, lower limit in the high half, upper in the low half.
    void SetRange(short nLower, short nUpper) {
        SendMessage(UDM_SETRANGE, 0, MAKELPARAM(nUpper, nLower));
    }
    // UDM_SETRANGE32: two full 32-bit limits.
    void SetRange32(int nLower, int nUpper) { SendMessage(UDM_SETRANGE32, nLower, nUpper); }
    // UDM_SETPOS: the low 16 bits of the position.
    int SetPos(int nPos) {
        return static_cast<short>(
            SendMessage(UDM_SETPOS, 0, MAKELPARAM(static_cast<WORD>(nPos), 0)));
    }
    // UDM_SETPOS32: the full 32-bit position.
    int SetPos32(int nPos) { return static_cast<int>(SendMessage(UDM_SETPOS32, 0, nPos)); }
    // UDM_GETPOS: position in the low word; a nonzero high word reports that the
    // buddy does not hold a number within the range.
    DWORD GetPos() const { return static_cast<DWORD>(SendMessage(UDM_GETPOS)); }
    int GetPos32(BOOL* pbError = nullptr) const {
        return static_cast<int>(SendMessage(UDM_GETPOS32, 0, reinterpret_cast<LPARAM>(pbError)));
    }
};

// CIPAddressCtrl - SysIPAddress32. The address packs the four fields with the
// first field in the most significant byte.
class CIPAddressCtrl : public CWnd {
public:
    int GetAddress(DWORD& dwAddress) const {
        return static_cast<int>(
            SendMessage(IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&dwAddress)));
    }
    int GetAddress(BYTE& b0, BYTE& b1, BYTE& b2, BYTE& b3) const {
        DWORD address = 0;
        int filled = GetAddress(address);
        b0 = FIRST_IPADDRESS(address);
        b1 = SECOND_IPADDRESS(address);
        b2 = THIRD_IPADDRESS(address);
        b3 = FOURTH_IPADDRESS(address);
        return filled;
    }
    void SetAddress(DWORD dwAddress) { SendMessage(IPM_SETADDRESS, 0, dwAddress); }
    void SetAddress(BYTE b0, BYTE b1, BYTE b2, BYTE b3) {
        SetAddress(MAKEIPADDRESS(b0, b1, b2, b3));
    }
    void ClearAddress() { SendMessage(IPM_CLEARADDRESS); }
};

// CDateTimeCtrl - SysDateTimePick32.
class CDateTimeCtrl : public CWnd {
public:
    // GDT_VALID when the control holds a date and time.
    DWORD GetTime(SYSTEMTIME* pTime) const {
        return static_cast<DWORD>(
            SendMessage(DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(pTime)));
    }
    BOOL SetTime(const SYSTEMTIME* pTime) {
        return static_cast<BOOL>(
            SendMessage(DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(pTime)));
    }
};
