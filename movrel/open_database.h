// Loading the database a movrel command works on, with movrel's messages.
#ifndef MOVREL_MOVREL_OPEN_DATABASE_H
#define MOVREL_MOVREL_OPEN_DATABASE_H

#include "movrelview.h"

#include <string>

// Loads file into view and returns its category count. A file that cannot be
// loaded ends the run naming it and the system's reason (data_error.h). A
// file with no category that does not even begin as a Palm database gets a
// note on standard error, "FILE: not a Palm database", beside what the
// command then does with no categories.
int32_t open_database(MovrelView& view, const std::string& file);

#endif
