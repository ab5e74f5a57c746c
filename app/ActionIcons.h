#pragma once
// The 30 tool bar and menu icons, drawn by the program so that they look the
// same on every desktop, with or without an icon theme. Each icon exists in
// three variants: normal, highlighted (pointer over a tool button) and disabled.
#include <QIcon>
#include <QPixmap>

namespace pixaldo {

constexpr int kActionIconCount = 30;
constexpr int kActionIconSize = 24;

enum class IconVariant { Normal, Highlighted, Disabled };

// One variant of icon `number` (0..29) at 24 × 24 pixels; an empty pixmap for
// numbers outside the strip.
QPixmap ActionIconPixmap(int number, IconVariant variant = IconVariant::Normal);

// The icon with all three variants (QIcon's Normal, Active and Disabled modes).
QIcon ActionIcon(int number);

}  // namespace pixaldo
