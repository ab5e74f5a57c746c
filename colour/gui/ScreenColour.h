#pragma once
// What the viewer draws pictures for: the screen's ICC profile, as colour
// daemons of the desktops publish it in the X11 root window's property
// _ICC_PROFILE, and the colour settings of Options.ini.
#include <memory>
#include <string>

#include "colour/ColourSource.h"

namespace pixaldo {

class OptionsStore;

// The profile of the (first) screen; null without X11, without the property,
// or when it holds no RGB profile that can be drawn to (sRGB then).
std::shared_ptr<const std::string> ReadScreenProfile();

// The settings "ColourManagement", "RenderingIntent" and
// "BlackPointCompensation" with the screen's profile, read now.
ColourTarget ScreenColourTarget(const OptionsStore& options);

}  // namespace pixaldo
