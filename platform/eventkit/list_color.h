// A reminder list's colour, from its `color` file or from the calendar's own
// colour properties.
#pragma once

#include <optional>
#include <string_view>

struct ListColor {
  double red = 0, green = 0, blue = 0, alpha = 1;
};

// "#RRGGBB" or "#RRGGBBAA" (any case, surrounding white space ignored);
// nullopt for anything else.
std::optional<ListColor> parseListColor(std::string_view text);
// A calendar colour property's value: the hex forms above, or a CSS3 colour
// name ("turquoise"), the form the standard COLOR property takes.
std::optional<ListColor> parseCalendarColor(std::string_view text);
