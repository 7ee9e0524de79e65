#include <mutex>

#include "platform/gdi/Controls.h"

namespace gdi::controls {
void RegisterButtonClass();
void RegisterStaticClass();
void RegisterEditClass();
void RegisterComboBoxClass();
void RegisterListViewClass();
void RegisterProgressClass();
void RegisterTooltipClass();
void RegisterDateTimeClass();
void RegisterUpDownClass();
void RegisterAnimationClass();
}  // namespace gdi::controls

namespace gdi {

void RegisterControlClasses() {
  static std::once_flag once;
  std::call_once(once, [] {
    controls::RegisterButtonClass();
    controls::RegisterStaticClass();
    controls::RegisterEditClass();
    controls::RegisterComboBoxClass();
    controls::RegisterListViewClass();
    controls::RegisterProgressClass();
    controls::RegisterTooltipClass();
    controls::RegisterDateTimeClass();
    controls::RegisterUpDownClass();
    controls::RegisterAnimationClass();
  });
}

}  // namespace gdi
