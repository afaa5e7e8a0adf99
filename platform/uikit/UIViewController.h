// UIViewController (class "UIViewController"): a controller whose view is
// made when first asked for, as Apple's documentation of UIViewController
// describes it:
//   -view: when the controller has no view, sends itself loadView, then
//     viewDidLoad, and answers the view loadView set (nil if it set none);
//   -isViewLoaded: whether the controller holds a view, without loading one;
//   -setView: keeps the view (retained); nil lets the view go, and the next
//     -view loads it again;
//   -loadView: the default makes a plain UIView of the main screen's bounds
//     (a controller without a nib);
//   -viewDidLoad: does nothing;
//   -initWithNibName:bundle: (both kept, unread), -init sends it with nil.
#pragma once

#include "uikit/UIView.h"

struct UIViewControllerObj : objc_object {
  id view_ = nullptr;  // retained
  ~UIViewControllerObj() override;
};

void registerUIViewController();  // after UIView and UIApplication
