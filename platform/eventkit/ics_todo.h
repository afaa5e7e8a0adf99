// The fields of one parsed VTODO, as plain values.
#pragma once

#include <libical/ical.h>

#include "eventkit/reminder_record.h"

// A property libical could not read is absent here, as libical leaves it;
// without SUMMARY the title is empty, as the device's store answers.
ReminderRecord readTodo(icalcomponent* todo);
