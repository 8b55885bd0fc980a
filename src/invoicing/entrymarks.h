#pragma once

#include <QString>

namespace tarvel::invoicing {

// The marks the invoice book and the entry windows exchange. The book sets `newMark` and `copyMark`
// before it opens a window; the window sets `appendedMark` (and clears `newMark` when it is left
// without storing); the book reads both after the window has closed.
struct EntryMarks
{
    bool newMark = false;
    bool copyMark = false;
    bool appendedMark = false;

    static EntryMarks forNew() { return {true, false, false}; }
    static EntryMarks forCopy() { return {true, true, false}; }
    static EntryMarks forEdit() { return {false, false, false}; } // view when the row is fiscalized
};

enum class EntryMode { New, Copy, Edit, View };

// A fiscalized invoice has a JIR that does not begin with "Greška".
bool isFiscalized(const QString& jir);

// new: new on, copy off; copy: both on; edit: both off and the current row not fiscalized; view: both
// off and the row fiscalized. A copy mark without the new mark reads as edit (or view), as the book
// never sets it so.
EntryMode entryMode(const EntryMarks& marks, bool currentRowFiscalized);

inline bool appendsRow(EntryMode m)
{
    return m == EntryMode::New || m == EntryMode::Copy;
}

} // namespace tarvel::invoicing
