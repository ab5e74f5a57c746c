#include "colour/gui/ScreenColour.h"

#include <QGuiApplication>
#include <xcb/xcb.h>

#include <cstdlib>

#include "colour/ColourEngine.h"
#include "settings/OptionsStore.h"

namespace pixaldo {
namespace {

constexpr char kProfileAtom[] = "_ICC_PROFILE";
constexpr uint32_t kMaxProfileBytes = 16u << 20;

template <typename Reply>
using ReplyPointer = std::unique_ptr<Reply, decltype(&std::free)>;

}  // namespace

std::shared_ptr<const std::string> ReadScreenProfile() {
  auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
  if (!connection) return nullptr;
  const ReplyPointer<xcb_intern_atom_reply_t> atom(
      xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 1, sizeof kProfileAtom - 1, kProfileAtom), nullptr),
      &std::free);
  const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
  if (!atom || atom->atom == XCB_ATOM_NONE || !screen) return nullptr;
  const ReplyPointer<xcb_get_property_reply_t> property(
      xcb_get_property_reply(connection,
                             xcb_get_property(connection, 0, screen->root, atom->atom, XCB_GET_PROPERTY_TYPE_ANY, 0,
                                              kMaxProfileBytes / 4),
                             nullptr),
      &std::free);
  if (!property || property->format != 8) return nullptr;
  const int length = xcb_get_property_value_length(property.get());
  if (length <= 0) return nullptr;
  auto profile = std::make_shared<const std::string>(static_cast<const char*>(xcb_get_property_value(property.get())),
                                                     size_t(length));
  return UsableScreenProfile(*profile) ? profile : nullptr;
}

ColourTarget ScreenColourTarget(const OptionsStore& options) {
  ColourTarget target;
  target.enabled = options.Bool("ColourManagement");
  target.intent = RenderingIntent(options.Integer("RenderingIntent"));
  target.blackPointCompensation = options.Bool("BlackPointCompensation");
  if (target.enabled) target.screenProfile = ReadScreenProfile();
  return target;
}

}  // namespace pixaldo
