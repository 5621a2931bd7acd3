// firmwarecheck.h - the start-up firmware check and upgrade: compares the
// board's firmware with the installed files, rewrites the boot ROM and the
// command file after the user's confirmation, keeps the product data
// consistent and brings the SPI boot images up to date.
#pragma once

#include "afx/afxwin.h"
#include "firmware/installedfiles.h"
#include "firmware/productdata.h"

#include <string>
#include <vector>

class ReconcileProductData;

// The 64-byte record that GetIPVersionInfo fills.
struct FirmwareVersionInfo {
    BYTE bytes[64];

    DWORD BoardWord() const;      // word at offset 4
    DWORD CommandVersion() const; // word at offset 8
    DWORD RomVersion() const;     // word at offset 16
    DWORD BoardType() const { return BoardWord() >> 20; }
};

// The upgrade progress as the check drives it, shown by the current face
// (boardui.h): opened at most once per check.
class ProgressWindow {
public:
    void Open();
    void SetText(const char* text);
    void Step(int count);
    void UpdateBar();
    void Destroy();

private:
    bool m_bCreateTried = false;
};

class FirmwareCheck {
public:
    FirmwareCheck(int hBoard, BOOL& bBoardUpdated);

    void Run();
    // A main-flash write began and was not verified (its recovery record is
    // still on the PC), or a record of this board is left unapplied.
    bool LeftFlashUnfinished() const { return m_bFlashUnfinished; }
    // SPI boot images rewritten (they are brought up to date without a
    // question, whatever the answers to the others).
    int SpiImagesWritten() const { return m_spiImagesWritten; }
    // Installed files looked for and not found.
    const std::vector<std::string>& MissingInstalledFiles() const { return m_missingFiles; }

private:
    // What comes after the boot ROM or command file part.
    enum class Next { Go, End };

    bool IsKnownBoardType() const;
    bool HasBootRomCheck() const;
    // Finds the installed files and compares their headers; false ends the
    // check (its message shown).
    bool CheckInstalledFiles();
    // One header: sets bNewer; false (with the mismatch message) when the file
    // is made for another board type.
    bool CheckHeader(const char* path, DWORD boardVersion, const char* mismatchFormat,
                     const char* shownName, BOOL& bNewer);
    void RunSteps();
    // The boot ROM head is blank and nothing on the PC can bring it back:
    // says so and, when the installed boot ROM is there, makes the rewrite
    // due with `identity` to put back; false ends the check.
    bool OfferBlankBootRom(const ProductData& identity);
    Next RewriteBootRom(ReconcileProductData& productData);
    // The board's valid identity, null when it has none.
    const ProductData* Identity(const ReconcileProductData& copies) const;
    // Looks at the writes an earlier start left unverified: whole ones are
    // forgotten, torn ones are told and made due again.
    void TakePendingWrites(const ReconcileProductData& copies);
    // Reads the installed command file and the board's, and remembers the
    // copy as unfinished; false (told) when that cannot be done.
    bool PrepareCommandFileWrite(struct UnfinishedWrite& write);
    // The boot ROM is not written (declined or refused): without whole boot
    // code on the board the check ends, else it goes on.
    Next SkipBootRom(ReconcileProductData& productData);
    // A main copy whose repair waited for the boot ROM write is written now
    // that no such write comes.
    void RestoreDeferredMainCopy(ReconcileProductData& productData);
    // Puts the product data block back into main flash; false (with the
    // messages shown) when that failed.
    bool WriteBackProductData(const ProductData& block, DWORD address);
    // Notes an identity whose main-flash write this start may leave unfinished.
    void NoteIdentity(const ProductData& identity) { m_identities.push_back(identity); }
    // Step 10 and the completion notice.
    Next RewriteCommandFile();
    bool DeleteBoardCommandFile(const char* boardPath);
    void ShowCompletion();
    void UpdateSpiBootImages();

    int m_hBoard;
    BOOL& m_bBoardUpdated;
    ProgressWindow m_progress;

    FirmwareVersionInfo m_version = {};
    DWORD m_boardType = 0;
    char m_romPath[kLocalPathSize] = {};
    char m_localCommandPath[kLocalPathSize] = {};
    char m_boardCommandPath[kLocalPathSize] = {};
    char m_romName[kCommandFileNameSize] = {};
    char m_commandName[kCommandFileNameSize] = {};
    BOOL m_bRomNewer = FALSE;
    BOOL m_bCommandNewer = FALSE;
    // Set when the boot ROM head was found blank: the block to put back
    // after the rewrite, and the question that offers it.
    bool m_bBlankRom = false;
    ProductData m_blankIdentity = {};
    std::string m_blankRecordPath; // the record that waits for the boot ROM
    std::vector<ProductData> m_identities;
    bool m_bFlashUnfinished = false;
    int m_spiImagesWritten = 0;
    std::vector<std::string> m_missingFiles;
    // The identity the unfinished writes are kept under, when the board has one.
    ProductData m_ledgerIdentity = {};
    bool m_bHaveLedger = false;
    bool m_bRomUnfinished = false;     // an earlier boot ROM write is torn
    bool m_bCommandUnfinished = false; // an earlier command file copy is torn
    bool m_bCompletionDue = false;     // the completion notice, after the SPI images
    bool m_bSpiImageFailed = false;
};
