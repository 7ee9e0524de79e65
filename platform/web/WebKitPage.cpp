#include "platform/web/WebKitPage.h"

#include <deque>
#include <set>
#include <thread>

#include "platform/base/Text.h"
#include "platform/gtk/Display.h"
#include "platform/gtk/QueueSource.h"
#include "platform/web/ResourcePages.h"
#include "platform/win/Message.h"

// After our headers: GLib defines TRUE and FALSE as macros.
#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

namespace web {
namespace {

// Injected into every page before its own script: clicks by element id (the user's and the page's own, every
// id from the clicked element outwards, as the events bubble), and the desktop-dialog manners: no dragging,
// no dropping, no context menu, no selection outside editable fields.
constexpr const char* kPageShim = R"JS((function () {
  const post = (ids) => window.webkit.messageHandlers.mxhost.postMessage(ids);
  const elementOf = (n) => (n && n.nodeType === 3 ? n.parentElement : n);
  document.addEventListener('click', (e) => {
    const ids = [];
    for (let n = elementOf(e.target); n; n = n.parentElement) if (n.id) ids.push(n.id);
    if (ids.length) post(ids);
  }, true);
  const textTypes = ['', 'text', 'password', 'search', 'email', 'url', 'tel', 'number'];
  const editable = (n) => !!n && (n.isContentEditable || n.tagName === 'TEXTAREA' ||
      (n.tagName === 'INPUT' && textTypes.includes((n.getAttribute('type') || '').toLowerCase())));
  for (const type of ['dragstart', 'dragover', 'drop', 'contextmenu'])
    document.addEventListener(type, (e) => e.preventDefault(), true);
  document.addEventListener('selectstart', (e) => { if (!editable(elementOf(e.target))) e.preventDefault(); }, true);
})();)JS";

// A dialog has no scroll bars of its own; parts of a page may still scroll.
constexpr const char* kPageStyle = "html, body { overflow: hidden; }";

// The call as the page runs it: the function and the arguments are values of the call, never script text.
std::string CallBody(size_t argc) {
  std::string body = "const f = window[fname]; if (typeof f !== 'function') return {unknown: true}; return {value: f(";
  for (size_t i = 0; i < argc; ++i) body += (i ? ",a" : "a") + std::to_string(i);
  return body + ")};";
}

ExternalOpener& Opener() {
  static ExternalOpener opener;
  return opener;
}

void OpenExternally(const std::string& uri) {
  if (Opener()) {
    Opener()(uri);
    return;
  }
  GError* error = nullptr;
  if (!g_app_info_launch_default_for_uri(uri.c_str(), nullptr, &error) && error) g_error_free(error);
}

void ServeResource(WebKitURISchemeRequest* request, gpointer) {
  auto resource = LoadResource(webkit_uri_scheme_request_get_path(request));
  if (!resource) {
    GError* error = g_error_new_literal(G_IO_ERROR, G_IO_ERROR_NOT_FOUND, "no such resource");
    webkit_uri_scheme_request_finish_error(request, error);
    g_error_free(error);
    return;
  }
  GBytes* bytes = g_bytes_new(resource->data.data(), resource->data.size());
  GInputStream* stream = g_memory_input_stream_new_from_bytes(bytes);
  webkit_uri_scheme_request_finish(request, stream, static_cast<gint64>(resource->data.size()),
                                   resource->mimeType.c_str());
  g_object_unref(stream);
  g_bytes_unref(bytes);
}

// The screens' engine: ephemeral, so no cache, cookie or storage file of the browser ever lands in the
// user's folders; res: is its only source of pages.
WebKitWebContext* Context() {
  static WebKitWebContext* context = [] {
    WebKitWebContext* c = webkit_web_context_new_ephemeral();
    webkit_web_context_register_uri_scheme(c, "res", ServeResource, nullptr, nullptr);
    webkit_security_manager_register_uri_scheme_as_local(webkit_web_context_get_security_manager(c), "res");
    return c;
  }();
  return context;
}

bool IsResUri(const char* uri) { return uri && g_ascii_strncasecmp(uri, "res:", 4) == 0; }
bool IsWebUri(const char* uri) {
  return uri && (g_ascii_strncasecmp(uri, "http:", 5) == 0 || g_ascii_strncasecmp(uri, "https:", 6) == 0);
}

}  // namespace

void SetExternalOpener(ExternalOpener opener) { Opener() = std::move(opener); }

struct WebKitPage::Impl {
  WebKitPage* owner = nullptr;
  std::thread::id thread = std::this_thread::get_id();
  HWND host = nullptr;
  WebKitWebView* view = nullptr;  // one reference held
  WebKitUserContentManager* content = nullptr;
  bool loaded = false;
  ClickHandler click;
  std::function<void()> documentComplete;
  // Events that came while a call waited; delivered once no call waits any more.
  std::deque<std::function<void()>> pending;
  guint flushSource = 0;

  static std::set<Impl*>& Live() {
    static std::set<Impl*> live;
    return live;
  }

  void Deliver(std::function<void()> event) {
    pending.push_back(std::move(event));
    Flush();
  }

  void Flush() {
    if (gtkhost::QueueHeld()) {
      ScheduleFlush();
      return;
    }
    while (!pending.empty() && !gtkhost::QueueHeld()) {
      auto event = std::move(pending.front());
      pending.pop_front();
      event();  // may call into the page, or destroy this page (then Live() no longer holds it)
      if (!Live().count(this)) return;
    }
  }

  void ScheduleFlush() {
    if (flushSource || pending.empty()) return;
    // Low priority, and re-armed only by the end of a call, so a waiting call never spins on it.
    flushSource = g_idle_add_full(
        G_PRIORITY_LOW,
        [](gpointer data) -> gboolean {
          auto* self = static_cast<Impl*>(data);
          self->flushSource = 0;
          if (!gtkhost::QueueHeld()) self->Flush();
          return G_SOURCE_REMOVE;
        },
        this, nullptr);
  }
};

namespace {

void OnScriptMessage(WebKitUserContentManager*, WebKitJavascriptResult* js, gpointer data) {
  auto* impl = static_cast<WebKitPage::Impl*>(data);
  JSCValue* value = webkit_javascript_result_get_js_value(js);
  if (!jsc_value_is_array(value)) return;
  std::vector<std::wstring> ids;
  for (int i = 0;; ++i) {
    JSCValue* item = jsc_value_object_get_property_at_index(value, i);
    const bool isString = jsc_value_is_string(item);
    if (isString) {
      char* s = jsc_value_to_string(item);
      ids.push_back(mx::Utf8ToWide(s));
      g_free(s);
    }
    g_object_unref(item);
    if (!isString) break;
  }
  impl->Deliver([impl, ids] {
    for (const auto& id : ids) {
      if (!WebKitPage::Impl::Live().count(impl)) return;
      if (impl->click) impl->click(id);
    }
  });
}

void OnLoadChanged(WebKitWebView*, WebKitLoadEvent event, gpointer data) {
  auto* impl = static_cast<WebKitPage::Impl*>(data);
  if (event == WEBKIT_LOAD_STARTED) impl->loaded = false;
  if (event != WEBKIT_LOAD_FINISHED) return;
  impl->Deliver([impl] {
    impl->loaded = true;
    if (impl->documentComplete) impl->documentComplete();
  });
}

gboolean OnDecidePolicy(WebKitWebView*, WebKitPolicyDecision* decision, WebKitPolicyDecisionType type, gpointer) {
  if (type == WEBKIT_POLICY_DECISION_TYPE_RESPONSE) return FALSE;
  auto* action = webkit_navigation_policy_decision_get_navigation_action(WEBKIT_NAVIGATION_POLICY_DECISION(decision));
  const char* uri = webkit_uri_request_get_uri(webkit_navigation_action_get_request(action));
  if (type == WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION && IsResUri(uri)) {
    webkit_policy_decision_use(decision);
    return TRUE;
  }
  if (IsWebUri(uri)) OpenExternally(uri);
  webkit_policy_decision_ignore(decision);
  return TRUE;
}

gboolean OnContextMenu(WebKitWebView*, WebKitContextMenu*, GdkEvent*, WebKitHitTestResult*, gpointer) {
  return TRUE;  // no browser menu on a screen
}

struct CallState {
  bool done = false;
  bool timedOut = false;
  HRESULT hr = E_FAIL;
  ScriptValue value;
  std::wstring error;
};

ScriptValue ToScriptValue(JSCValue* v) {
  if (!v || jsc_value_is_undefined(v) || jsc_value_is_null(v)) return {};
  if (jsc_value_is_boolean(v)) return ScriptValue::Bool(jsc_value_to_boolean(v));
  if (jsc_value_is_number(v)) return ScriptValue::Number(jsc_value_to_double(v));
  char* s = jsc_value_to_string(v);
  ScriptValue out = ScriptValue::String(mx::Utf8ToWide(s ? s : ""));
  g_free(s);
  return out;
}

void OnCallDone(GObject* source, GAsyncResult* result, gpointer data) {
  auto state = std::unique_ptr<std::shared_ptr<CallState>>(static_cast<std::shared_ptr<CallState>*>(data));
  CallState& st = **state;
  GError* error = nullptr;
  JSCValue* v = webkit_web_view_call_async_javascript_function_finish(WEBKIT_WEB_VIEW(source), result, &error);
  if (!v) {
    st.hr = DISP_E_EXCEPTION;
    st.error = mx::Utf8ToWide(error ? error->message : "");
    if (error) g_error_free(error);
  } else {
    JSCValue* unknown = jsc_value_object_get_property(v, "unknown");
    if (jsc_value_to_boolean(unknown)) {
      st.hr = DISP_E_UNKNOWNNAME;
    } else {
      JSCValue* value = jsc_value_object_get_property(v, "value");
      st.value = ToScriptValue(value);
      g_object_unref(value);
      st.hr = S_OK;
    }
    g_object_unref(unknown);
    g_object_unref(v);
  }
  st.done = true;
}

}  // namespace

WebKitPage::WebKitPage(HWND host) : impl_(std::make_unique<Impl>()) {
  impl_->owner = this;
  impl_->host = host;
  impl_->content = webkit_user_content_manager_new();
  webkit_user_content_manager_add_script(
      impl_->content, webkit_user_script_new(kPageShim, WEBKIT_USER_CONTENT_INJECT_TOP_FRAME,
                                             WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, nullptr, nullptr));
  webkit_user_content_manager_add_style_sheet(
      impl_->content, webkit_user_style_sheet_new(kPageStyle, WEBKIT_USER_CONTENT_INJECT_TOP_FRAME,
                                                  WEBKIT_USER_STYLE_LEVEL_USER, nullptr, nullptr));
  g_signal_connect(impl_->content, "script-message-received::mxhost", G_CALLBACK(OnScriptMessage), impl_.get());
  webkit_user_content_manager_register_script_message_handler(impl_->content, "mxhost");

  // Every screen shares the web process of the first live one.
  WebKitWebView* related = nullptr;
  for (Impl* other : Impl::Live())
    if (other->view) related = other->view;
  GObject* object = related ? G_OBJECT(g_object_new(WEBKIT_TYPE_WEB_VIEW, "related-view", related,
                                                    "user-content-manager", impl_->content, nullptr))
                            : G_OBJECT(g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context", Context(),
                                                    "user-content-manager", impl_->content, nullptr));
  impl_->view = WEBKIT_WEB_VIEW(g_object_ref_sink(object));
  WebKitSettings* settings = webkit_web_view_get_settings(impl_->view);
  webkit_settings_set_enable_developer_extras(settings, FALSE);
  webkit_settings_set_enable_back_forward_navigation_gestures(settings, FALSE);
  webkit_settings_set_allow_file_access_from_file_urls(settings, FALSE);
  webkit_settings_set_allow_universal_access_from_file_urls(settings, FALSE);
  webkit_settings_set_javascript_can_open_windows_automatically(settings, FALSE);
  g_signal_connect(impl_->view, "load-changed", G_CALLBACK(OnLoadChanged), impl_.get());
  g_signal_connect(impl_->view, "decide-policy", G_CALLBACK(OnDecidePolicy), impl_.get());
  g_signal_connect(impl_->view, "context-menu", G_CALLBACK(OnContextMenu), impl_.get());
  Impl::Live().insert(impl_.get());
  if (host && gtkhost::Display::Get().Started())
    gtkhost::Display::Get().AttachNativeChild(host, GTK_WIDGET(impl_->view));
}

WebKitPage::~WebKitPage() {
  Impl::Live().erase(impl_.get());
  if (impl_->flushSource) g_source_remove(impl_->flushSource);
  g_signal_handlers_disconnect_by_data(impl_->view, impl_.get());
  g_signal_handlers_disconnect_by_data(impl_->content, impl_.get());
  webkit_user_content_manager_unregister_script_message_handler(impl_->content, "mxhost");
  if (impl_->host && gtkhost::Display::Get().Started()) gtkhost::Display::Get().DetachNativeChild(impl_->host);
  g_object_unref(impl_->view);
  g_object_unref(impl_->content);
}

void WebKitPage::Navigate(const std::string& name) {
  impl_->loaded = false;
  webkit_web_view_load_uri(impl_->view, ("res:///" + name).c_str());
}

void WebKitPage::SetDocumentCompleteHandler(std::function<void()> handler) {
  impl_->documentComplete = std::move(handler);
}

bool WebKitPage::IsLoaded() const { return impl_->loaded; }

void WebKitPage::SetClickHandler(ClickHandler handler) { impl_->click = std::move(handler); }

GtkWidget* WebKitPage::Widget() const { return GTK_WIDGET(impl_->view); }

HRESULT WebKitPage::Call(const std::wstring& name, const std::vector<std::wstring>& args, ScriptValue* result,
                         std::wstring* error) {
  // The browser lives on the GTK thread only; a worker must post its wish to the UI thread instead.
  if (std::this_thread::get_id() != impl_->thread) return RPC_E_WRONG_THREAD;
  if (!impl_->loaded) return E_PENDING;
  GVariantBuilder builder;
  g_variant_builder_init(&builder, G_VARIANT_TYPE_VARDICT);
  g_variant_builder_add(&builder, "{sv}", "fname", g_variant_new_string(mx::WideToUtf8(name).c_str()));
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string key = "a" + std::to_string(i);
    g_variant_builder_add(&builder, "{sv}", key.c_str(), g_variant_new_string(mx::WideToUtf8(args[i]).c_str()));
  }
  auto state = std::make_shared<CallState>();
  const std::string body = CallBody(args.size());
  {
    gtkhost::QueueHold hold;
    webkit_web_view_call_async_javascript_function(impl_->view, body.c_str(), -1, g_variant_builder_end(&builder),
                                                   nullptr, nullptr, nullptr, OnCallDone,
                                                   new std::shared_ptr<CallState>(state));
    guint timeout = g_timeout_add(
        kCallTimeoutMs,
        [](gpointer data) -> gboolean {
          static_cast<CallState*>(data)->timedOut = true;
          return G_SOURCE_REMOVE;
        },
        state.get());
    while (!state->done && !state->timedOut) g_main_context_iteration(nullptr, TRUE);
    if (!state->timedOut) g_source_remove(timeout);
  }
  for (Impl* page : Impl::Live()) page->ScheduleFlush();
  if (!state->done) {
    if (error) *error = L"the page did not answer";
    return E_FAIL;
  }
  if (error) *error = state->error;
  if (SUCCEEDED(state->hr) && result) *result = std::move(state->value);
  return state->hr;
}

}  // namespace web

#include "platform/web/PageFactory.h"

namespace web {

void UseWebKitPages() {
  SetPageFactory([](HWND host, const std::string& name, std::function<void()> documentComplete) {
    auto page = std::make_shared<WebKitPage>(host);
    page->SetDocumentCompleteHandler(std::move(documentComplete));
    page->Navigate(name);
    return std::shared_ptr<IPageScript>(page);
  });
}

}  // namespace web
