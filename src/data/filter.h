#pragma once

#include <QList>
#include <QString>
#include <QVariant>

namespace tarvel::data {

// A structured condition; turned into SQL with bound parameters, never spliced text.
struct Condition
{
    enum class Op { Eq, Ne, Lt, Le, Gt, Ge, BeginsWith, Contains, IsNull, NotNull };
    QString column;
    Op op = Op::Eq;
    QVariant value;
    bool caseInsensitive = false; // Eq/BeginsWith/Contains, Croatian letters included
    // Eq and Ne with an empty text (or no value) treat an empty column and NULL alike.
};

// Conditions joined by AND; `anyOf` groups joined by OR inside, AND with the rest.
struct Filter
{
    QList<Condition> all;
    QList<QList<Condition>> anyOf;
    bool isEmpty() const { return all.isEmpty() && anyOf.isEmpty(); }
    Filter& add(const Condition& c)
    {
        all.append(c);
        return *this;
    }
};

} // namespace tarvel::data
