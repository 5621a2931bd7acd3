// The board clock panel on real windows over a simulated board. The first
// timer tick of the process reads the board again and sets the picker to the
// PC's time, so the test that watches it runs first.
#include "uisession.h"

#include "app/tarnelapp.h"
#include "res/resource.h"

#include <commctrl.h>

#include <cstdlib>
#include <regex>

using namespace uisession;
using namespace uitest;

namespace {

class ClockTest : public MainDialogTest {
protected:
    // Sets the board's clock so that it shows `time` now.
    void SetBoardClock(WORD hour, WORD minute, WORD second) {
        SYSTEMTIME now;
        GetLocalTime(&now);
        SYSTEMTIME wanted = now;
        wanted.wHour = hour;
        wanted.wMinute = minute;
        wanted.wSecond = second;
        wanted.wMilliseconds = 0;
        simboard::BoardConfig config = board->Config();
        config.clockOffsetMs = (Ms(wanted) - Ms(now));
        board->SetConfig(config);
    }
    static long long Ms(const SYSTEMTIME& t) {
        FILETIME ft;
        SystemTimeToFileTime(&t, &ft);
        ULARGE_INTEGER u;
        u.LowPart = ft.dwLowDateTime;
        u.HighPart = ft.dwHighDateTime;
        return static_cast<long long>(u.QuadPart / 10000);
    }
};

std::wstring RtcText(HWND dialog) {
    return GetText(GetDlgItem(dialog, IDC_STATIC_RTC_TIME));
}

SYSTEMTIME Picker(HWND dialog) {
    SYSTEMTIME t = {};
    SendMessageW(GetDlgItem(dialog, IDC_DATETIME_SET), DTM_GETSYSTEMTIME, 0,
                 reinterpret_cast<LPARAM>(&t));
    return t;
}

void SetPicker(HWND dialog, const SYSTEMTIME& t) {
    SendMessageW(GetDlgItem(dialog, IDC_DATETIME_SET), DTM_SETSYSTEMTIME, GDT_VALID,
                 reinterpret_cast<LPARAM>(&t));
}

SYSTEMTIME Time(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second) {
    SYSTEMTIME t = {};
    t.wYear = year;
    t.wMonth = month;
    t.wDay = day;
    t.wHour = hour;
    t.wMinute = minute;
    t.wSecond = second;
    return t;
}

// Sets the panel's text and returns the text the next tick makes of it.
std::wstring NextTick(HWND dialog, const std::wstring& text) {
    SetWindowTextW(GetDlgItem(dialog, IDC_STATIC_RTC_TIME), text.c_str());
    WaitUntil([&] { return RtcText(dialog) != text; }, 2500);
    return RtcText(dialog);
}

bool Matches(const std::wstring& text, const char* pattern) {
    return std::regex_match(Utf8(text), std::regex(pattern));
}

} // namespace

TEST_F(ClockTest, StartShowsTheBoardTimeAndTheFirstTickSetsThePickerToThePcTime) {
    SetBoardClock(9, 5, 7);
    RunDialog([&](HWND dialog) {
        std::wstring start = RtcText(dialog);
        EXPECT_TRUE(Matches(start, "9:05:0[78]")) << Utf8(start);
        // The user's time before the first tick is replaced by the PC's.
        SetPicker(dialog, Time(2001, 2, 3, 4, 5, 6));
        ASSERT_TRUE(WaitUntil([&] { return CallCount("GetIPTime") >= 2; }, 3000));
        Sync(dialog);
        SYSTEMTIME now;
        GetLocalTime(&now);
        SYSTEMTIME picked = Picker(dialog);
        EXPECT_EQ(picked.wYear, now.wYear);
        EXPECT_LE(std::llabs(Ms(picked) - Ms(now)), 3000);
        EXPECT_TRUE(Matches(RtcText(dialog), "9:05:(0[7-9]|1[0-2])")) << Utf8(RtcText(dialog));
        // Later ticks advance without reading the board.
        std::wstring shown = RtcText(dialog);
        WaitUntil([&] { return RtcText(dialog) != shown; }, 2500);
        EXPECT_EQ(CallCount("GetIPTime"), 2);
    });
}

TEST_F(ClockTest, LaterTicksAdvanceTheTextBySecond) {
    struct Case {
        const wchar_t* text;
        const wchar_t* next;
    } const cases[] = {
        {L"23:59:59", L"0:00:00"}, {L"9:05:59", L"9:06:00"},   {L"9:59:59", L"10:00:00"},
        {L"12:34", L"12:00:01"},   {L"10:75:80", L"11:00:00"}, {L"noon", L"0:00:01"},
        {L"1:2:3", L"1:02:04"},    {L"", L"0:00:01"},
    };
    RunDialog([&](HWND dialog) {
        for (const Case& c : cases)
            EXPECT_EQ(NextTick(dialog, c.text), c.next) << "after " << Utf8(c.text);
    });
}

TEST_F(ClockTest, PickerAdvancesWithTheTicksAcrossMidnight) {
    RunDialog([&](HWND dialog) {
        SetPicker(dialog, Time(2024, 12, 31, 23, 59, 59));
        ASSERT_TRUE(WaitUntil([&] { return Picker(dialog).wYear == 2025; }, 2500));
        SYSTEMTIME t = Picker(dialog);
        EXPECT_EQ(t.wMonth, 1);
        EXPECT_EQ(t.wDay, 1);
        EXPECT_EQ(t.wHour, 0);
        EXPECT_EQ(t.wMinute, 0);
        EXPECT_LE(t.wSecond, 1);
    });
}

TEST_F(ClockTest, SetSendsThePickersDateAndTimeToTheBoardClock) {
    RunDialog([&](HWND dialog) {
        SetPicker(dialog, Time(2030, 6, 15, 10, 20, 30));
        ClickAndWait(dialog, IDC_BUTTON_SET_RTC);
        // What the board's clock says now, read as another program would.
        long long offset = this->board->Config().clockOffsetMs;
        SYSTEMTIME now;
        GetLocalTime(&now);
        long long boardMs = Ms(now) + offset;
        long long wantedMs = Ms(Time(2030, 6, 15, 10, 20, 30));
        EXPECT_LE(std::llabs(boardMs - wantedMs), 3000);
        EXPECT_TRUE(Matches(RtcText(dialog), "10:20:3[0-3]")) << Utf8(RtcText(dialog));
        ASSERT_EQ(CallCount("SetIPTime"), 1);
    });
}

TEST_F(ClockTest, FailedBoardReadAtStartShowsMidnight) {
    InjectFault("GetIPTime", 1, -1);
    RunDialog([&](HWND dialog) { EXPECT_EQ(RtcText(dialog), L"0:00:00"); });
}
