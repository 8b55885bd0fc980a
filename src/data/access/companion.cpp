#include "data/access/companion.h"

#include "core/errors.h"
#include "data/access/mdbfile.h"

#include <QDir>
#include <QFileInfo>

namespace tarvel::data::access {

namespace {

QStringList numbered(const QString& stem)
{
    QStringList out;
    for (int i = 1; i <= 10; ++i)
        out << stem + QString::number(i);
    return out;
}

} // namespace

QByteArray controlSequence(const MdbFile& file, const QString& table, const QStringList& columns)
{
    const QList<AccessColumn> defined = file.columns(table);
    QList<int> index;
    for (const QString& name : columns) {
        int found = -1;
        for (int i = 0; i < defined.size() && found < 0; ++i)
            if (defined[i].name.compare(name, Qt::CaseInsensitive) == 0)
                found = i;
        if (found < 0)
            throw TarvelError(ErrorKind::Other, QStringLiteral("Tablica %1 u datoteci \"%2\" nema stupac %3.")
                                                    .arg(table, QDir::toNativeSeparators(file.path()), name));
        index << found;
    }

    QVariantList first;
    file.readRows(table, [&](const QVariantList& row) {
        first = row;
        return false;
    });
    QByteArray out;
    if (first.isEmpty())
        return out;
    for (int k = 0; k < index.size(); ++k) {
        const QVariant& v = first[index[k]];
        if (v.isNull())
            continue;
        bool ok = false;
        const int code = v.toInt(&ok);
        if (!ok)
            throw TarvelError(
                ErrorKind::InvalidNumber,
                QStringLiteral("Stupac %1 tablice %2 nije cijeli broj.").arg(columns[k], table));
        if (code != 0)
            out += char(code & 0xff); // the printer line is 8-bit; a wider code keeps its low byte
    }
    return out;
}

std::optional<PrinterControl> readPrinterControl(const QString& pathMje)
{
    const QString path = pathMje.trimmed();
    if (path.isEmpty() || !QFileInfo(path).isFile())
        return std::nullopt;
    const MdbFile file(path);
    const QString table = QStringLiteral("OPCITABLE");
    return PrinterControl{controlSequence(file, table, numbered(QStringLiteral("PR"))),
                          controlSequence(file, table, numbered(QStringLiteral("PO")))};
}

} // namespace tarvel::data::access
