// GPS in MPEG-TS recordings: Novatek records as private-stream PES payloads, INNOVV records and
// the text packets of some cameras. Dashcams often leave their GPS PID out of the PMT, so every
// PID that the PMT does not declare as audio or video is looked at by content.

#include "bytesource.h"
#include "freegps.h"
#include "freegps_blocks.h"
#include "freegps_samples.h"

#include <QHash>
#include <QVector>
#include <array>

namespace {

using freegps::BlockFixes;
using freegps::Fix;

constexpr int kPacket = 188;
// Read in big positioned chunks; packets are everywhere in the file.
constexpr int kChunkPackets = 5 * 1024;
// A GPS stream starts within the first second or so; without any candidate payload by then the
// file carries none.
constexpr qint64 kProbeBytes = 32 << 20;
constexpr int kMaxPayload = 4096;
constexpr qint64 kMaxPackets = qint64(32) << 20; // about 6 GB of packets
constexpr int kMaxFixes = 200000; // more than two days at one a second

struct PidState
{
    QByteArray data;
    qint64 expected = -1; // payload bytes the PES header announced, -1 when open-ended
    bool open = false;    // a PES (or text run) is being collected
    bool textRun = false; // collected without a start indicator (VSYS)
};

bool isMediaStreamType(int type)
{
    switch (type) {
    case 0x01: case 0x02: case 0x03: case 0x04: case 0x0F: case 0x10: case 0x11: case 0x1B:
    case 0x24: case 0x42: case 0x80: case 0x81: case 0x82: case 0x83: case 0x84: case 0x85:
    case 0x86: case 0x87: case 0xEA:
        return true;
    default:
        return false;
    }
}

class TsScanner
{
public:
    TsScanner()
    {
        m_media.fill(false);
        m_psi.fill(false);
        m_psi[0] = true;
    }

    void packet(const uchar *p)
    {
        const int pid = (p[1] & 0x1F) << 8 | p[2];
        if (pid == 0x1FFF || m_media[pid] || (pid < 0x20 && pid != 0))
            return;
        const bool pusi = p[1] & 0x40;
        const int afc = (p[3] >> 4) & 3;
        int start = 4;
        if (afc == 2 || afc == 0)
            return;
        if (afc == 3)
            start += 1 + p[4];
        if (start >= kPacket)
            return;
        const uchar *payload = p + start;
        const int n = kPacket - start;
        if (m_psi[pid]) {
            if (pusi)
                psi(pid, payload, n);
            return;
        }
        PidState &s = m_pids[pid];
        if (pusi) {
            finish(s);
            begin(s, payload, n);
        } else if (s.open) {
            s.data.append(reinterpret_cast<const char *>(payload), qMin(n, kMaxPayload - int(s.data.size())));
        } else if (n > 0 && payload[0] == '$') {
            s.open = true; // text written without start indicators
            s.textRun = true;
            s.data = QByteArray(reinterpret_cast<const char *>(payload), n);
        }
        if (s.textRun)
            textLines(s);
        else if (s.open && s.expected >= 0 && s.data.size() >= s.expected)
            finish(s);
    }

    void end()
    {
        for (auto it = m_pids.begin(); it != m_pids.end(); ++it)
            finish(it.value());
    }

    // Some PID other than audio and video carried data.
    bool anyCandidate() const { return m_candidates > 0; }
    // A payload of a known kind was seen, whether or not it validated.
    bool marked() const { return m_marked; }
    int firstCode() const { return m_firstCode; }
    const QVector<BlockFixes> &decoded() const { return m_decoded; }

private:
    void psi(int pid, const uchar *p, int n)
    {
        const int pointer = p[0];
        if (1 + pointer + 8 > n)
            return;
        const uchar *t = p + 1 + pointer;
        const int len = (t[1] & 0x0F) << 8 | t[2];
        const int end = qMin(n - 1 - pointer, 3 + len) - 4; // without the CRC
        if (t[0] == 0x00 && pid == 0) { // PAT: program number, PMT PID
            for (int i = 8; i + 4 <= end; i += 4) {
                const int pmt = (t[i + 2] & 0x1F) << 8 | t[i + 3];
                if ((t[i] | t[i + 1]) != 0)
                    m_psi[pmt] = true;
            }
        } else if (t[0] == 0x02 && end > 12) { // PMT: stream type, elementary PID, descriptors
            const int infoLen = (t[10] & 0x0F) << 8 | t[11];
            for (int i = 12 + infoLen; i + 5 <= end;) {
                const int es = (t[i + 1] & 0x1F) << 8 | t[i + 2];
                if (isMediaStreamType(t[i]) && !m_psi[es])
                    m_media[es] = true;
                i += 5 + ((t[i + 3] & 0x0F) << 8 | t[i + 4]);
            }
        }
    }

    void begin(PidState &s, const uchar *p, int n)
    {
        s = PidState();
        s.open = true;
        if (n >= 9 && p[0] == 0 && p[1] == 0 && p[2] == 1) {
            const int sid = p[3];
            const int pesLen = p[4] << 8 | p[5];
            int skip = 6;
            const bool bare = sid == 0xBC || sid == 0xBE || sid == 0xBF || (sid >= 0xF0 && sid <= 0xF2)
                || sid == 0xF8 || sid == 0xFF;
            if (!bare)
                skip = 9 + p[8];
            if (skip > n)
                return;
            if (pesLen > 0)
                s.expected = qMin(pesLen - (skip - 6), kMaxPayload);
            s.data = QByteArray(reinterpret_cast<const char *>(p + skip), n - skip);
        } else {
            s.data = QByteArray(reinterpret_cast<const char *>(p), n);
            if (n > 0 && p[0] == '$')
                s.textRun = true;
        }
    }

    void finish(PidState &s)
    {
        if (!s.open)
            return;
        s.open = false;
        if (s.textRun) {
            s.data.append('\n');
            textLines(s);
            s = PidState();
            return;
        }
        QByteArray d = s.expected >= 0 ? s.data.left(int(s.expected)) : s.data;
        s = PidState();
        if (d.isEmpty())
            return;
        ++m_candidates;
        BlockFixes fixes;
        const int code = freegps::decodeTsPayload(d, &m_state, &fixes);
        take(code, fixes);
    }

    // Complete lines of a text run; the unfinished rest waits for the next packet.
    void textLines(PidState &s)
    {
        ++m_candidates;
        for (;;) {
            int nl = -1;
            for (int i = 0; i < s.data.size(); ++i)
                if (s.data.at(i) == '\n' || s.data.at(i) == '\r') {
                    nl = i;
                    break;
                }
            if (nl < 0)
                break;
            const QByteArray line = s.data.left(nl);
            s.data.remove(0, nl + 1);
            BlockFixes fixes;
            take(freegps::decodeTsTextLine(line, &fixes), fixes);
        }
        if (s.data.size() > kMaxPayload)
            s.data.clear();
    }

    void take(int code, const BlockFixes &fixes)
    {
        if (code <= 0)
            return;
        m_marked = true;
        if (!fixes.isEmpty() && m_firstCode == 0)
            m_firstCode = code;
        if (m_fixCount < kMaxFixes) {
            m_fixCount += fixes.size();
            m_decoded.append(fixes);
        }
    }

    std::array<bool, 8192> m_media; // PIDs the PMT declares as audio or video
    std::array<bool, 8192> m_psi;   // PAT and PMT PIDs
    QHash<int, PidState> m_pids;
    freegps::DecodeState m_state;
    QVector<BlockFixes> m_decoded;
    int m_candidates = 0;
    int m_firstCode = 0;
    int m_fixCount = 0;
    bool m_marked = false;
};

// 188-byte packets, or 192 with a 4-byte time code in front; 0 when the file is no TS.
int packetStride(ByteSource &src)
{
    const QByteArray head = src.readAt(0, 3 * 192 + 8);
    for (int stride : {188, 192}) {
        const int first = stride - kPacket;
        bool ok = head.size() >= first + 2 * stride + 1;
        for (int i = 0; ok && i < 3; ++i)
            ok = first + i * stride < head.size() && uchar(head.at(first + i * stride)) == 0x47;
        if (ok)
            return stride;
    }
    return 0;
}

} // namespace

LayoutResult readFreeGpsTs(ByteSource &src, const ReadContext &)
{
    LayoutResult result;
    const int stride = packetStride(src);
    if (stride == 0)
        return result;
    TsScanner scanner;
    const int lead = stride - kPacket;
    const qint64 chunkBytes = qint64(stride) * kChunkPackets;
    QByteArray chunk;
    qint64 pos = 0;
    qint64 packets = 0;
    while (pos < src.size() && packets < kMaxPackets) {
        chunk = src.readAt(pos, chunkBytes);
        if (chunk.size() < stride)
            break;
        const auto *d = reinterpret_cast<const uchar *>(chunk.constData());
        int i = 0;
        const int n = chunk.size();
        while (i + stride <= n) {
            if (d[i + lead] != 0x47) {
                // Lost sync: the next offset where two packets in a row start.
                int j = i + 1;
                while (j + stride + lead < n && !(d[j + lead] == 0x47 && d[j + lead + stride] == 0x47))
                    ++j;
                if (j + stride + lead >= n) {
                    i = j;
                    break;
                }
                i = j;
            }
            scanner.packet(d + i + lead);
            ++packets;
            i += stride;
        }
        if (i == 0)
            break;
        pos += i;
        if (pos >= kProbeBytes && !scanner.anyCandidate())
            break;
    }
    scanner.end();
    if (scanner.firstCode() == 0) {
        result.status = scanner.marked() ? ReadStatus::Damaged : ReadStatus::None;
        return result;
    }
    result.samples = freegps::buildSamples(scanner.decoded());
    result.status = result.samples.isEmpty() ? ReadStatus::Damaged : ReadStatus::Found;
    result.code = scanner.firstCode();
    result.name = freegps::variantName(result.code);
    return result;
}
