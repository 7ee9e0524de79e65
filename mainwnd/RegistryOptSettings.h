#pragma once
// The scan-area page of the settings window: one check box per scan category in four groups whose group boxes
// show all, none or some of their members, and Restore Defaults, Save and Start Scan. Its boxes are the
// selection of every scan, saved or not: the page registers them as the engine's selection source while its
// window exists. The stored selection is SelectedCategories under the product key's Settings.
#include <array>
#include <functional>
#include <memory>

#include "platform/base/WinTypes.h"
#include "ui/DlgChildBase.h"
#include "ui/DlgTemplateLayout.h"
#include "ui/KVTHoverButtonWithText.h"
#include "ui/STBitmap.h"

inline constexpr UINT IDD_SCAN_AREA_PAGE = 412;
inline constexpr int IDC_BTN_RESTORE_DEFAULTS = 233;
inline constexpr int IDC_BTN_SAVE = 209;
inline constexpr int IDC_BTN_START_SCAN = 210;

struct CategoryCheckBox {
  int controlId;
  DWORD flag;
};
// One box per category flag, in flag order.
extern const std::array<CategoryCheckBox, 14> CategoryCheckBoxes;

// A group: the group box first, then its members.
struct CategoryGroup {
  const int* ids;
  int length;
};
extern const std::array<CategoryGroup, 4> CategoryGroups;

// 2 (some) for a length of 1 or less; else over the members: 2 when some are checked and some not, 1 when all
// are, 0 when none is.
int GetGroupCheckState(const int* group, HWND page, int length);
// The group box and every member set to state.
void SetGroupChecks(int length, int state, HWND page, const int* group);

class CRegistryOptSettings : public CDlgChildBase {
 public:
  CRegistryOptSettings();
  ~CRegistryOptSettings() override;

  BOOL OnInitDialog() override;

  // The flags of the checked boxes and their number. From another thread each box is asked of the UI
  // thread, which must be handling messages.
  void GetSelectedCategories(DWORD& mask, int& count) const;
  BOOL IsAnyCategoryChecked() const;
  // The boxes from the stored selection (every category when none is stored); enables Save.
  void LoadSelection();

  // StartRegistryScan of the main window, called by Start Scan after the selection was stored.
  std::function<void()> m_onStartScan;

  std::array<std::unique_ptr<CSTBitmap>, 4> m_groupIcons;  // in group order
  CDlgTemplateLayout m_layout;
  CKVTHoverButtonWithText m_btnRestoreDefaults;
  CKVTHoverButtonWithText m_btnSave;
  CKVTHoverButtonWithText m_btnStartScan;

 protected:
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

 private:
  void OnSave();
  void OnStartScan();
  void OnRestoreDefaults();
  void OnGroupClicked(const CategoryGroup& group);
  void OnMemberClicked(const CategoryGroup& group);
  void OnTimer(UINT_PTR id);
  void OnPaint();
  // Save and Start Scan: stores the boxes; with none checked says so and reloads the stored selection.
  bool StoreSelection();
};

// The boxes of a scan-area page window, read from any thread; false when the window is gone.
bool ReadCategoryBoxes(HWND page, DWORD& mask, int& count);
