#pragma once

// One short valid recording (or sidecar) per row of the layout table, a few for the rows that
// read several codes, written by the fixture writers of each folder. They are the fuzz targets'
// starting corpus (make_seed_corpus) and the intact files the hostile suite damages.

#include "layoutreader.h"
#include "layouttable.h"

#include <QByteArray>
#include <QList>
#include <QString>

struct LayoutSeed
{
    QString name;     // the seed's file name without "seed-" ("row10-type3-index")
    int rowCode = 0;  // firstCode of the row that must read it
    QByteArray bytes; // under the 80 KiB inputs of scripts/fuzz.sh
    // A sidecar's name: the sidecar row reads the bytes as that file. Empty for recordings.
    QString path;
    // What the chip detection would have said, for the chip rows. The index-table seeds also
    // carry gpsLength in byte 0, where fuzz_readers takes it from.
    int gpsLength = 0;
};

QList<LayoutSeed> layoutSeeds();

// The row whose firstCode is code; null when the table has none.
const LayoutRow *layoutRow(int code);

// The context the loader would give the seed's row: its container, sidecar name and chip
// layout. Each call walks the bytes afresh (the box tree is shared only by copies of it).
ReadContext seedContext(const LayoutSeed &seed, ByteSource &src);
