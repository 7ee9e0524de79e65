#include "app/KeyFilter.h"

namespace {

constexpr int kControl = 0x11, kLeftAlt = 0xA4, kRightAlt = 0xA5, kF5 = 0x74, kNumpad5 = 0x65, kAdd = 0x6B;

bool AnyAsyncDown(const KeyboardState& keys, std::initializer_list<int> vks) {
  for (int vk : vks)
    if (keys.isAsyncDown(vk)) return true;
  return false;
}

}  // namespace

BOOL ShouldSwallowMessage(const MSG& msg, const KeyboardState& keys) {
  const bool control = keys.isDown(kControl);
  if (msg.message == WM_MOUSEWHEEL) return control;
  if (msg.message != WM_KEYDOWN) return FALSE;
  if (keys.isAsyncDown(kF5)) return TRUE;
  if (control) return AnyAsyncDown(keys, {'O', 'P', 'N', 'A', '5', kNumpad5, 'F', kAdd});
  if (keys.isDown(kLeftAlt) || keys.isDown(kRightAlt)) return AnyAsyncDown(keys, {'O', 'P', 'G', 'H'});
  return FALSE;
}

const KeyboardState& MachineKeyboardState() {
  static const KeyboardState none{[](int) { return false; }, [](int) { return false; }};
  return none;
}
