#include "app/CommandEnabling.h"

namespace pixaldo {

bool Holds(EnabledWhen when, const CommandContext& context) {
  if (context.Transforming) return false;
  const bool transformable = context.TransformAvailable && context.Selected;
  switch (when) {
    case EnabledWhen::FilesPresent:
      return context.FilesPresent;
    case EnabledWhen::Selected:
      return context.Selected;
    case EnabledWhen::Transformable:
      return transformable;
    case EnabledWhen::TransformableWithRatio:
      return transformable && context.CropProportionSet;
    case EnabledWhen::TransformableSideways:
      return transformable && context.Sideways;
    case EnabledWhen::CropFrameDrawn:
      return transformable && context.CropFrameDrawn;
    case EnabledWhen::Idle:
      return true;
  }
  return false;
}

std::optional<bool> CommandEnabled(std::string_view name, const CommandContext& context) {
  for (const EnablingRow& row : kEnabling)
    if (name == row.Name) return Holds(row.When, context);
  return std::nullopt;
}

}  // namespace pixaldo
