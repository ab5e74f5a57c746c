#pragma once
// The stop sign shown when a move runs past either end of the file list: a
// red prohibition sign (a ring crossed by a diagonal bar) on black, 137 × 135.
#include <QPixmap>

namespace pixaldo {

constexpr int kStopSignWidth = 137;
constexpr int kStopSignHeight = 135;

QPixmap StopSignPixmap();

}  // namespace pixaldo
