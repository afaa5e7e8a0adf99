// CIColor (class "CIColor"): an RGBA colour with Core Image's text form.
//   +colorWithCGColor: (nil for a nil colour), +colorWithString:,
//   +colorWithRed:green:blue:alpha:, -red -green -blue -alpha,
//   -stringRepresentation.
// The text form is the four components red, green, blue and alpha in their
// shortest decimal form that reads back to the same value, separated by
// single spaces: "1 0 0 1", "0.5 0.25 0 1".
#pragma once

#include <string>
#include <string_view>

#include "coregraphics/RGBAColorObject.h"

struct CIColorObj : RGBAColorObj {};

// Reads a text form into four components. Components are read from the
// front while they are decimal numbers (optionally inside "[...]"); those not
// read are 0 for red, green and blue and 1 for alpha, so three components
// are an opaque colour; a text with no number at all is clear (0 0 0 0).
void CIColorParseComponents(std::string_view text, CGFloat out[4]);
std::string CIColorFormatComponents(const CGFloat components[4]);

void registerCoreImage();
