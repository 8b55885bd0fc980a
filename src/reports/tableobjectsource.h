#pragma once

#include "data/tableobject.h"
#include "reports/recordsource.h"

namespace tarvel::reports {

// A layout over a table object of the data module walks its rows in the object's filter and sort.
using TableObjectSource = DatasetSource<data::TableObject>;

} // namespace tarvel::reports
