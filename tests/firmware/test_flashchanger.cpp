// The progress window: template 130 as the program carries it, and the
// window's life as the firmware check drives it.
#include "firmwaretest.h"

#include "res/resource.h"

#include <cstring>

using namespace fwtest;

namespace {

// Reads a DLGTEMPLATEEX resource.
class TemplateReader {
public:
    explicit TemplateReader(const BYTE* p) : m_p(p) {}
    WORD Word() {
        WORD w;
        std::memcpy(&w, m_p, 2);
        m_p += 2;
        return w;
    }
    DWORD Dword() {
        DWORD d;
        std::memcpy(&d, m_p, 4);
        m_p += 4;
        return d;
    }
    short Short() { return static_cast<short>(Word()); }
    // A string, or an ordinal as "#n".
    std::wstring SzOrOrd() {
        WORD first = Word();
        if (first == 0xFFFF)
            return L"#" + std::to_wstring(Word());
        std::wstring text;
        for (WORD c = first; c != 0; c = Word())
            text += static_cast<wchar_t>(c);
        return text;
    }
    void AlignDword() {
        while (reinterpret_cast<uintptr_t>(m_p) % 4 != 0)
            ++m_p;
    }
    void Skip(size_t n) { m_p += n; }

private:
    const BYTE* m_p;
};

struct Item {
    DWORD style, exStyle;
    short x, y, cx, cy;
    DWORD id;
    std::wstring cls, text;
};

} // namespace

TEST(ProgressTemplate, Template130AsTheProgramCarriesIt) {
    HRSRC res = FindResourceW(nullptr, MAKEINTRESOURCEW(IDD_FLASH_CHANGER),
                              reinterpret_cast<LPCWSTR>(RT_DIALOG));
    ASSERT_NE(res, nullptr);
    const BYTE* data = static_cast<const BYTE*>(LockResource(LoadResource(nullptr, res)));
    ASSERT_NE(data, nullptr);
    TemplateReader r(data);
    EXPECT_EQ(r.Word(), 1);      // dlgVer
    EXPECT_EQ(r.Word(), 0xFFFF); // signature: DLGTEMPLATEEX
    r.Dword();                   // helpID
    EXPECT_EQ(r.Dword(), 0x00040000u);
    EXPECT_EQ(r.Dword(), 0x90C800C0u);
    WORD items = r.Word();
    EXPECT_EQ(items, 2);
    EXPECT_EQ(r.Short(), 0);
    EXPECT_EQ(r.Short(), 0);
    EXPECT_EQ(r.Short(), 203);
    EXPECT_EQ(r.Short(), 59);
    EXPECT_EQ(r.SzOrOrd(), L""); // menu
    EXPECT_EQ(r.SzOrOrd(), L""); // class
    EXPECT_EQ(r.SzOrOrd(), uitest::Wide(kProgressCaption));
    EXPECT_EQ(r.Word(), 9); // point size
    r.Word();               // weight
    r.Skip(2);              // italic, charset
    EXPECT_EQ(r.SzOrOrd(), uitest::Wide("ＭＳ Ｐゴシック"));
    std::vector<Item> read;
    for (WORD i = 0; i < items; ++i) {
        r.AlignDword();
        Item item;
        r.Dword(); // helpID
        item.exStyle = r.Dword();
        item.style = r.Dword();
        item.x = r.Short();
        item.y = r.Short();
        item.cx = r.Short();
        item.cy = r.Short();
        item.id = r.Dword();
        item.cls = r.SzOrOrd();
        item.text = r.SzOrOrd();
        r.Skip(r.Word()); // creation data
        read.push_back(item);
    }
    ASSERT_EQ(read.size(), 2u);
    EXPECT_EQ(read[0].id, 1000u);
    // Window class names are case-insensitive; the resource compiler keeps them in capitals.
    EXPECT_EQ(_wcsicmp(read[0].cls.c_str(), L"msctls_progress32"), 0) << uitest::Utf8(read[0].cls);
    EXPECT_EQ(read[0].text, L"Progress1");
    EXPECT_EQ(read[0].style, 0x50800000u);
    EXPECT_EQ(read[0].exStyle, 0u);
    EXPECT_EQ((std::vector<short>{read[0].x, read[0].y, read[0].cx, read[0].cy}),
              (std::vector<short>{12, 36, 180, 14}));
    EXPECT_EQ(read[1].id, 1002u);
    EXPECT_TRUE(_wcsicmp(read[1].cls.c_str(), L"Static") == 0 || read[1].cls == L"#130")
        << uitest::Utf8(read[1].cls);
    EXPECT_EQ(read[1].text, L"");
    EXPECT_EQ(read[1].style, 0x50020201u);
    EXPECT_EQ((std::vector<short>{read[1].x, read[1].y, read[1].cx, read[1].cy}),
              (std::vector<short>{5, 6, 190, 23}));
}

TEST(ProgressWindowLife, CreateShowsAVisibleTopLevelWindowWithAnEmptyLineAndAnEmptyBar) {
    AfxInitCommonControls();
    CFlashChanger window;
    EXPECT_EQ(window.GetSafeHwnd(), nullptr);
    EXPECT_FALSE(window.DestroyWindow()); // nothing to destroy yet
    ASSERT_TRUE(window.Create(IDD_FLASH_CHANGER, nullptr));
    HWND hWnd = window.GetSafeHwnd();
    EXPECT_TRUE(IsWindowVisible(hWnd));
    EXPECT_EQ(GetParent(hWnd), nullptr);
    EXPECT_EQ(uitest::FindTopWindow(uitest::Wide(kProgressCaption).c_str()), hWnd);
    EXPECT_EQ(window.m_progress.GetSafeHwnd(), GetDlgItem(hWnd, IDC_PROGRESS_FLASH));
    EXPECT_EQ(uitest::GetText(GetDlgItem(hWnd, IDC_STATIC_FLASH_MESSAGE)), L"");
    EXPECT_EQ(window.m_progress.GetPos(), 0);
    // The bar's range is the control's default, 0 to 100: four steps of 25 fill it.
    window.m_progress.SetStep(25);
    for (int i = 0; i < 4; ++i)
        window.m_progress.StepIt();
    EXPECT_EQ(window.m_progress.GetPos(), 100);
    window.SetDlgItemText(IDC_STATIC_FLASH_MESSAGE, "ROM\x82\xF0"); // Shift-JIS "ROMを"
    EXPECT_EQ(uitest::GetText(GetDlgItem(hWnd, IDC_STATIC_FLASH_MESSAGE)), uitest::Wide("ROMを"));
    EXPECT_TRUE(window.DestroyWindow());
    EXPECT_FALSE(IsWindow(hWnd));
    EXPECT_EQ(window.GetSafeHwnd(), nullptr);
}
