#pragma once
// Controls carry their design names as object names; this gives a new
// control its name where it is made.
#include <QString>

namespace pixaldo {

template <class T>
T* Named(T* widget, const QString& name) {
  widget->setObjectName(name);
  return widget;
}

}  // namespace pixaldo
