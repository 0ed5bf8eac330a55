#include "ui/pages/DisplayStringText.h"

#include "model/GDisplayString.h"
#include "ui/framework/UIResources.h"

RWWString DisplayStringText(const GDisplayString& display) {
  RWWString name;
  if (display.GetResourceId() != 0) LoadUIString(display.GetResourceId(), &name);
  if (name.Length() == 0 && !display.GetText().IsEmpty()) name = RWWString(display.GetText().Data());
  return name;
}

RWWString UIStringOrEmpty(unsigned id) {
  RWWString text;
  if (id != 0xFFFF) LoadUIString(static_cast<int>(id), &text);
  return text;
}
