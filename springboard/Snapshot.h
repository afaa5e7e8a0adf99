// What can be seen of the simulated lock screen at one moment.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "coregraphics/CGGeometry.h"

namespace sb {

struct LabelState {
  std::string text;
  CGFloat fontSize = 0;
  std::array<CGFloat, 4> color{};  // red, green, blue, alpha
  CGRect frame;
};

struct IconState {
  CGFloat width = 0, height = 0;     // points
  std::array<int, 4> centerPixel{};  // red, green, blue, alpha (0-255) at the image's centre
};

struct RowState {
  std::string bulletinID, section, title, subtitle, message;
  std::optional<std::string> date, publicationDate, lastInterruptDate;  // ISO 8601, UTC
  bool dateIsAllDay = false;
  std::string defaultAction;  // "url …", "bundle …" or "none"
  CGFloat height = 0;
  CGFloat alpha = 1;
  // canBeClearedByNotificationCenter up to iOS 8; from iOS 9 on
  // canBeRemovedByNotificationCenterPresentation, with
  // canBeRemovedByUnlock beside it.
  bool canBeCleared = false;
  std::optional<bool> canBeRemovedByUnlock;
  bool canEdit = false;
  LabelState primary, secondary, subtitleLabel, relevanceDate, unlockText;
  std::optional<IconState> icon;
  // Separator state as the cell's version-specific switches left it.
  bool separatorShown = true;
};

struct UnderlayState {
  bool shown = false;
  std::vector<std::string> requesters;
};

struct Snapshot {
  std::vector<RowState> rows;  // in list order
  UnderlayState underlay;
  bool screenLit = false;
  std::vector<std::string> log;  // NSLog lines so far
};

}  // namespace sb
