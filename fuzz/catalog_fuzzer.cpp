// Step.ini is edited by hand and translated: LoadCatalog on any bytes as the file, and on the same text
// behind every byte-order mark.

#include "catalog/catalog_file.h"
#include "fuzz/fuzz_support.h"

#include <QStringConverter>

#include <cstddef>
#include <cstdint>

namespace {

#define KX_CATALOG_SECTIONS(X)                                                                              \
    X(SoftName) X(TodayButton) X(RecordButton) X(UserButton) X(TodayPanel) X(RecordPanel) X(UserSetting)    \
    X(Units) X(Months) X(DaySuffix) X(NewInit1) X(NewInit2) X(CSVFileHead) X(XAxisString) X(YAxisString)   \
    X(Other) X(Info) X(SyncStatus)

bool SameTexts(const TSoftInfo& a, const TSoftInfo& b)
{
#define KX_SAME(section) &&a.section == b.section
    return true KX_CATALOG_SECTIONS(KX_SAME);
#undef KX_SAME
}

bool LinesWhole(const TSoftInfo& c)
{
    bool whole = true;
    const auto check = [&whole](const auto& texts) {
        for (const QString& t : texts)
            whole = whole && !t.contains(QLatin1Char('\r')) && !t.contains(QLatin1Char('\n'));
    };
#define KX_CHECK(section) check(c.section);
    KX_CATALOG_SECTIONS(KX_CHECK)
#undef KX_CHECK
    return whole;
}

// What the catalog held before loading: a failed load must leave exactly this.
const TSoftInfo& Earlier()
{
    static const TSoftInfo earlier = [] {
        TSoftInfo c;
        int n = 0;
        const auto fill = [&n](auto& texts) {
            for (QString& t : texts)
                t = QStringLiteral("earlier %1").arg(n++);
        };
#define KX_FILL(section) fill(c.section);
        KX_CATALOG_SECTIONS(KX_FILL)
#undef KX_FILL
        return c;
    }();
    return earlier;
}

struct Loaded {
    bool ok = false;
    TSoftInfo catalog;
};

void CheckOutcome(Loaded& loaded, const CatalogLoadResult& result)
{
    loaded.ok = result.ok;
    if (!result.ok)
        FUZZ_CHECK(!result.error.isEmpty() && SameTexts(loaded.catalog, Earlier()));
    FUZZ_CHECK(LinesWhole(loaded.catalog));
}

// LoadCatalog with the bytes as Step.ini: never writes a catalog that is present.
Loaded LoadAsFile(const QByteArray& bytes)
{
    const QString dir = ScratchDir();
    FUZZ_CHECK(WriteFileBytes(dir + QString::fromLatin1(CatalogFileName), bytes));
    const DirSnapshot before = SnapshotDir(dir);
    Loaded loaded{false, Earlier()};
    const CatalogLoadResult result = LoadCatalog(loaded.catalog, dir);
    FUZZ_CHECK(SnapshotDir(dir) == before);
    CheckOutcome(loaded, result);
    return loaded;
}

// The same reader on bytes in memory, for the other encodings of the text.
Loaded Read(const QByteArray& bytes)
{
    Loaded loaded{false, Earlier()};
    const CatalogLoadResult result = ReadCatalogText(loaded.catalog, bytes, QStringLiteral("Step.ini"));
    CheckOutcome(loaded, result);
    return loaded;
}

bool SameLoad(const Loaded& a, const Loaded& b)
{
    return a.ok == b.ok && SameTexts(a.catalog, b.catalog);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const Loaded raw = LoadAsFile(bytes);

    // The same text behind each byte-order mark reads the same; the input picks the mark to compare.
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    const QString text = utf8.decode(bytes);
    const bool validUtf8 = !utf8.hasError();
    // The marks of UTF-16 LE and UTF-32 LE differ only by the two zero bytes that follow; a text that
    // begins with U+0000 cannot tell them apart.
    if (text.startsWith(QChar(0)))
        return 0;
    const int encoding = size > 0 ? data[size - 1] % ByteOrderMarkEncodings : 0;
    const Loaded marked = Read(WithByteOrderMark(text, encoding));
    // Without a mark the system encoding applies, UTF-8 here.
    if (validUtf8 && !QStringConverter::encodingForData(bytes))
        FUZZ_CHECK(SameLoad(raw, marked));
    else if (encoding != 0)
        FUZZ_CHECK(SameLoad(Read(WithByteOrderMark(text, 0)), marked));
    return 0;
}
