// The UIKit stand-in: colours, fonts and text measurement, images and image
// contexts, views, labels and tables, and the simulated application and
// screen. registerUIKit() registers its classes after Foundation and Core
// Image (colorWithCIColor: reads a CIColor by its messages).
#pragma once

#include "uikit/NSStringDrawing.h"
#include "uikit/UIApplication.h"
#include "uikit/UIColor.h"
#include "uikit/UIFont.h"
#include "uikit/UIGraphics.h"
#include "uikit/UIImage.h"
#include "uikit/UILabel.h"
#include "uikit/UITableView.h"
#include "uikit/UITableViewCell.h"
#include "uikit/UIView.h"
#include "uikit/UIViewController.h"

void registerUIKit();
