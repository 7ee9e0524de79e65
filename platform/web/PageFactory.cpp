#include "platform/web/PageFactory.h"

#include "platform/web/FakePage.h"

namespace web {
namespace {

PageFactory& Factory() {
  static PageFactory factory;
  return factory;
}

}  // namespace

void SetPageFactory(PageFactory factory) { Factory() = std::move(factory); }

std::shared_ptr<IPageScript> CreatePage(HWND host, const std::string& name, std::function<void()> documentComplete) {
  if (Factory()) return Factory()(host, name, std::move(documentComplete));
  return std::make_shared<FakePage>();
}

}  // namespace web
