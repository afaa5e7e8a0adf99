// UIKit's drawing contexts. Each thread has a stack of current contexts
// (UIGraphicsGetCurrentContext is its top) and a stack of image contexts.
// Beginning an image context pushes a new bitmap context on both; ending it
// pops both. A context that cannot be made (a size that is not positive)
// still takes its place on both stacks, as nil, so that begin and end stay
// paired and drawing into it does nothing.
#pragma once

#include "coregraphics/CGContext.h"
#include "runtime/objc.h"

// Not opaque, scale 1.
void UIGraphicsBeginImageContext(CGSize size);
// Scale 0 (or anything not positive) means the main screen's scale.
void UIGraphicsBeginImageContextWithOptions(CGSize size, BOOL opaque, CGFloat scale);
CGContextRef UIGraphicsGetCurrentContext();  // nil when the stack is empty
void UIGraphicsPushContext(CGContextRef context);
void UIGraphicsPopContext();  // an empty stack is left alone
// A snapshot of the innermost image context, autoreleased; nil without one.
id UIGraphicsGetImageFromCurrentImageContext();
void UIGraphicsEndImageContext();
