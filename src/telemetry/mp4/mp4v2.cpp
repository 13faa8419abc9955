#include "mp4v2.h"

#include "mp4file.h"

#include <QString>

MP4FileHandle MP4Read(const char *fileName)
{
    if (fileName == nullptr || *fileName == '\0')
        return MP4_INVALID_FILE_HANDLE;
    return Mp4File::open(QString::fromUtf8(fileName)).release();
}

void MP4Close(MP4FileHandle file)
{
    delete file;
}

bool MP4HaveAtom(MP4FileHandle file, const char *atomName)
{
    return file != nullptr && atomName != nullptr && file->haveAtom(QByteArray(atomName));
}

bool MP4GetIntegerProperty(MP4FileHandle file, const char *propName, uint64_t *retval)
{
    if (file == nullptr || propName == nullptr || retval == nullptr)
        return false;
    quint64 v = 0;
    if (!file->integerProperty(QByteArray(propName), &v))
        return false;
    *retval = v;
    return true;
}

namespace {

bool typeMatches(const Mp4TrackInfo &t, const char *type)
{
    return type == nullptr || t.handlerType == QByteArray(type);
}

} // namespace

uint32_t MP4GetNumberOfTracks(MP4FileHandle file, const char *type)
{
    if (file == nullptr)
        return 0;
    uint32_t n = 0;
    for (int i = 0; i < file->trackCount(); ++i) {
        if (typeMatches(file->track(i), type))
            ++n;
    }
    return n;
}

MP4TrackId MP4FindTrackId(MP4FileHandle file, uint16_t index, const char *type)
{
    if (file == nullptr)
        return MP4_INVALID_TRACK_ID;
    uint16_t seen = 0;
    for (int i = 0; i < file->trackCount(); ++i) {
        if (!typeMatches(file->track(i), type))
            continue;
        if (seen++ == index)
            return file->track(i).id;
    }
    return MP4_INVALID_TRACK_ID;
}

const char *MP4GetTrackType(MP4FileHandle file, MP4TrackId trackId)
{
    if (file == nullptr)
        return nullptr;
    const int i = file->trackIndexById(trackId);
    if (i < 0)
        return nullptr;
    return file->track(i).handlerType.constData();
}

uint32_t MP4GetTrackNumberOfSamples(MP4FileHandle file, MP4TrackId trackId)
{
    if (file == nullptr)
        return 0;
    const int i = file->trackIndexById(trackId);
    return i < 0 ? 0 : file->track(i).sampleCount;
}

uint32_t MP4GetTrackTimeScale(MP4FileHandle file, MP4TrackId trackId)
{
    if (file == nullptr)
        return 0;
    const int i = file->trackIndexById(trackId);
    return i < 0 ? 0 : file->track(i).timeScale;
}

bool MP4ReadSample(MP4FileHandle file, MP4TrackId trackId, MP4SampleId sampleId,
                   QByteArray *bytes, MP4Timestamp *startTime, MP4Duration *duration)
{
    if (file == nullptr || bytes == nullptr)
        return false;
    Mp4Sample sample;
    if (!file->readSample(file->trackIndexById(trackId), sampleId, &sample))
        return false;
    *bytes = sample.bytes;
    if (startTime != nullptr)
        *startTime = sample.startTime;
    if (duration != nullptr)
        *duration = sample.duration;
    return true;
}
