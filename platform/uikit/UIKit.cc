#include "uikit/UIKit.h"

void registerUIKit() {
  registerUIColor();
  registerUIFont();
  registerNSStringDrawing();
  registerUIImage();
  registerUIView();
  registerUILabel();
  registerUITableViewCell();
  registerUITableView();
  registerUIApplication();
  registerUIViewController();
}
