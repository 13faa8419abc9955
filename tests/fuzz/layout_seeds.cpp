#include "layout_seeds.h"

#include "bytesource.h"
#include "freegps_fixtures.h"
#include "morecam_fixtures.h"
#include "mp4_fixtures.h"
#include "realcam_fixtures.h"
#include "telemetry_fixtures.h"

namespace {

const QByteArray kRmc = "$GPRMC,083559.00,A,4717.11437,N,00833.91522,E,10.0,77.52,091202,,,A*57";
const QByteArray kGga = "$GPGGA,123519,4807.0381,N,01131.0002,E,1,08,0.9,545.4,M,46.9,M,,*47";

// Layouts 1-9, as short as each allows: every mutation and every fuzz run costs in proportion
// to the input. Layout 4 cannot be shorter than its 32 KiB alignment (one track) or 64 KiB lead
// (two tracks).
QList<LayoutSeed> chipSeeds()
{
    using namespace fixtures;
    const QByteArray aligned = alignedBlock(0, 0, 1000, kRmc, "12345678");
    QList<QByteArray> tail, idx, idx2, masked, records, lines, shifted;
    for (int i = 0; i < 3; ++i) {
        if (i < 2)
            tail << frameTailBlock(900, i, 1000, i % 2 ? kGga : kRmc);
        idx << indexedBlock(800 + i, i, 1024, kRmc);
        idx2 << indexedBlockV2(i, i, 1024, kGga);
        masked << maskedBlock("N22321234E114031234", "42", "+098-012+100");
        records << trailerRecord(-512, 3, 1024, 'A', 'W', 'S', 118, 30, 0, 22, 15, 0, 50, 90);
        lines << tabLine(120, -35, 981, kRmc);
        shifted << shiftedLine(tabLine(1, 2, 3, kRmc), 10);
    }
    shifted << tabKeyRecord("00000005");
    // The index-table readers take their count from the detection: byte 0 in the fuzz target.
    auto withCount = [](QByteArray b) {
        b[0] = char(3);
        return b;
    };
    mp4fx::MetaRecord fix;
    fix.latDegrees = 22;
    fix.lonDegrees = 114;
    fix.gz = 1.0f;
    mp4fx::TrackPlan video, meta;
    video.samples = {"frame"};
    meta.handler = meta.sampleEntry = "meta";
    meta.trackId = 2;
    meta.samples = {mp4fx::metaRecord(fix), mp4fx::metaRecord(fix)};
    mp4fx::FilePlan maker;
    maker.tracks = {video, meta};
    return {
        {"row1-tabtext", 1, tabTextTrackFile(lines).toBytes(), {}, 0},
        {"row2-tabtext-keyed", 2, tabTextTrackFile(shifted).toBytes(), {}, 0},
        // A second without a fix, then one with: the reader holds the first block until the
        // second shows that the blocks are telemetry.
        {"row4-aligned1", 4,
         alignedOneTrackFile({alignedBlock(0, 0, 1000, "", "12345678"), aligned}).toBytes(), {}, 0},
        {"row4-aligned1-twicekey", 4,
         alignedOneTrackFile({alignedBlock(0, 0, 0, kRmc, "98765432", false)}).toBytes(), {}, 0},
        {"row4-aligned2", 4, alignedTwoTrackFile({aligned}).toBytes(), {}, 0},
        {"row5-frametail", 5, frameTailFile(tail).toBytes(), {}, 0},
        {"row5-indexed", 5, withCount(indexedFile(idx, IndexKind::Indexed).toBytes()), {}, 3},
        {"row6-maker-meta", 6, mp4fx::buildMp4(maker), {}, 0},
        {"row7-indexed-v2", 7, withCount(indexedFile(idx2, IndexKind::IndexedV2).toBytes()), {}, 3},
        {"row8-masked", 8, withCount(indexedFile(masked, IndexKind::Masked).toBytes()), {}, 3},
        {"row9-trailer", 9, trailerFile(records, "GPS&", 64).toBytes(), {}, 0},
    };
}

QList<LayoutSeed> freeGpsSeeds()
{
    using namespace fgfx;
    auto mp4Of = [](Variant v, Placement p) {
        Mp4Plan plan;
        plan.placement = p;
        plan.audio = false;
        plan.frameBytes = 64;
        for (const Fix &f : drive(2))
            plan.blocks.append(block(v, {f}, 0x200));
        return mp4(plan);
    };
    QList<QList<Fix>> perSecond;
    for (const Fix &f : drive(2))
        perSecond.append({f});
    return {
        {"row10-type3-index", 10, mp4Of(Variant::Type3, Placement::Index), {}, 0},
        {"row10-nmea-gaps", 10, mp4Of(Variant::NmeaText, Placement::MdatGaps), {}, 0},
        {"row10-xor-freeboxes", 10, mp4Of(Variant::XorText, Placement::FreeBoxesB), {}, 0},
        {"row10-shifted-index", 10, mp4Of(Variant::Shifted, Placement::Index), {}, 0},
        {"row10-atc-ring-gaps", 10, mp4Of(Variant::AtcRing, Placement::MdatGaps), {}, 0},
        {"row10-70mai-index", 10, mp4Of(Variant::SeventyMai, Placement::Index), {}, 0},
        {"row30-ts-record", 30, ts(TsVariant::Record, perSecond, 2), {}, 0},
        {"row30-ts-prefixed", 30, ts(TsVariant::Prefixed, perSecond, 2), {}, 0},
        {"row30-ts-gpsinfo", 30, ts(TsVariant::GpsInfo, perSecond, 2), {}, 0},
    };
}

QList<LayoutSeed> realCameraSeeds()
{
    using namespace rcfx;
    const QList<Fix> r = route(3, -12.5, 130.8);
    GpmfPayload p;
    p.gps = r;
    p.accl = {1, 2, 3, 4, 5, 6};
    GpmfPayload p9 = p;
    p9.gps9 = true;
    // A Karma drone's payload: its GLPI and GPRI records and the SYST pairs of its clock.
    GpmfPayload karma;
    karma.glpi = r;
    karma.gpri = r;
    karma.syst = {{20000000, 1735725600000}, {21000000, 1735725601000}};
    QList<QByteArray> cues, think, ssmd, rove, tvxt, rvmi, camm, fmas, xored, pndm, ligo;
    for (const Fix &f : r) {
        cues << rmc(f) + gga(f);
        think << "gsensori,4,512,1,2,3;" + rmc(f, "GN", false);
        ssmd << ssmdRecord(f);
        rove << roveRecord(f);
        tvxt << tvxtRecord(f, 1, 2, 3);
        rvmi << rvmiGps(f) << rvmiAccel(1, 2, 3);
        camm << cammGps(f) + cammAccel(1, 2, 3);
        fmas << fmasRecord(f, 1, 2, 3);
        xored << xorTextRecord(f);
        pndm << pndmRecord(f);
        ligo << ligoText(f, 0.1, 0.2, 0.3);
    }
    QList<QVector<qint16>> rows;
    for (int i = 0; i < 3; ++i)
        rows.append({qint16(i), 2, 3});
    const qint64 start = 1735726500000LL; // 2025-01-01 10:15:00 UTC, where the route begins
    // The metadata-track row reads 27 kinds of track: one seed for each family of them.
    return {
        {"row40-gpmf", 40, gpmfFile({p, p9, karma}), {}, 0},
        {"row40-text", 40, textTrackFile(cues), {}, 0},
        {"row40-thinkware", 40, textTrackFile(think, "sbtl", "tx3g"), {}, 0},
        {"row40-mini0806", 40, textTrackFile({mini0806Cue(r[0], 1, 2, 3)}), {}, 0},
        {"row40-roadhawk", 40, textTrackFile({roadhawkCue(r[0], 1, 2, 3)}), {}, 0},
        {"row40-eprance", 40, textTrackFile({epranceCue(r[0], 1, 2, 3, 7)}), {}, 0},
        {"row40-nextbase", 40, textTrackFile({nextbaseCue(r[0], 1, 2, 3)}), {}, 0},
        {"row40-ssmd", 40, dataTrackFile("meta", "ssmd", ssmd), {}, 0},
        {"row40-rove", 40, dataTrackFile("meta", "ssmd", rove), {}, 0},
        {"row40-ligo", 40, dataTrackFile("meta", "ssmd", {ligoSample(r[0], true, 1)}), {}, 0},
        {"row40-tvxt", 40, dataTrackFile("tvxt", "mp4s", tvxt), {}, 0},
        {"row40-rvmi", 40, dataTrackFile("data", "RVMI", rvmi), {}, 0},
        {"row40-camm", 40, dataTrackFile("camm", "camm", camm), {}, 0},
        {"row40-fmas", 40, dataTrackFile("meta", "gpmd", fmas), {}, 0},
        {"row40-xor", 40, dataTrackFile("meta", "gpmd", xored), {}, 0},
        {"row40-pndm", 40, dataTrackFile("text", "text", pndm), {}, 0},
        {"row50-gps0", 50, gps0File(r, QByteArray(30, '\x10')), {}, 0},
        {"row50-70mai", 50, gps70maiFile(r), {}, 0},
        {"row50-blackvue", 50, blackvueFreeFile(r, start, start, rows), {}, 0},
        {"row50-udat", 50, udatFile(r), {}, 0},
        {"row50-garmin", 50, garminUuidFile(r), {}, 0},
        {"row55-hash-trailer", 55, hashTrailerFile(ligo), {}, 0},
        {"row55-ligo-trailer", 55, ligoTrailerFile(r, true), {}, 0},
        {"row60-gps", 60, blackvueGps(r, start), "/nowhere/20250101_101500_N.gps", 0},
        {"row60-3gf", 60, blackvue3gf(rows, 100), "/nowhere/20250101_101500_N.3gf", 0},
        {"row60-nmea", 60, nmeaSidecar(r, true), "/nowhere/a.nmea", 0},
        {"row60-map", 60, escortMap(r), "/nowhere/a.map", 0},
        {"row60-70mai-log", 60, seventyMaiLog(r, "NO20250101-101500-000001F.MP4", start / 1000),
         "/nowhere/GPSData000001.txt", 0},
    };
}

} // namespace

QList<LayoutSeed> layoutSeeds()
{
    QList<LayoutSeed> seeds = chipSeeds() + freeGpsSeeds() + realCameraSeeds();
    for (const mcfx::LayoutCase &c : mcfx::layoutCases())
        seeds.append({QStringLiteral("row%1-%2").arg(c.code).arg(QLatin1String(c.name)), c.code,
                      c.bytes, {}, 0});
    return seeds;
}

const LayoutRow *layoutRow(int code)
{
    int count = 0;
    const LayoutRow *rows = layoutTable(&count);
    for (int i = 0; i < count; ++i) {
        if (rows[i].firstCode == code)
            return &rows[i];
    }
    return nullptr;
}

ReadContext seedContext(const LayoutSeed &seed, ByteSource &src)
{
    ReadContext ctx;
    ctx.path = seed.path;
    ctx.container = classifyContainer(src);
    const LayoutRow *row = layoutRow(seed.rowCode);
    if (row != nullptr && row->chip) {
        ctx.chipLayout = row->firstCode;
        ctx.gpsLength = seed.gpsLength;
    }
    return ctx;
}
