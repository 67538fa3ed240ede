#include "archive/lzhcodec.h"

#include <QtAlgorithms>

#include <algorithm>
#include <array>
#include <cstring>
#include <queue>

namespace tovane::lzh {

namespace {

constexpr int MinMatch = 3;
constexpr int MaxMatch = 256;
constexpr int NC = 256 + MaxMatch - MinMatch + 2; // literals and lengths: 510
constexpr int NT = 19;                            // code-length symbols
constexpr int TBIT = 5;
constexpr int CBIT = 9;
constexpr int MaxCodeLength = 16;
constexpr int MaxBlockCodes = 65535;

constexpr int HashBits = 15;
constexpr qint64 Lookahead = qint64(256) * 1024;
// Chain length and lazy-match limits close to gzip -6: most of the ratio
// at a fraction of an exhaustive search.
constexpr int MaxChain = 128;
constexpr int NiceLength = 128;
constexpr int MaxLazy = 32;
constexpr int GoodLength = 16;

std::array<quint16, 256> makeCrcTable()
{
    std::array<quint16, 256> table{};
    for (int i = 0; i < 256; ++i) {
        quint16 r = quint16(i);
        for (int k = 0; k < 8; ++k)
            r = (r & 1) ? quint16((r >> 1) ^ 0xA001) : quint16(r >> 1);
        table[i] = r;
    }
    return table;
}

int bitLength(unsigned value)
{
    int n = 0;
    while (value) {
        ++n;
        value >>= 1;
    }
    return n;
}

// Huffman code lengths of at most 16 bits for `freq`. Returns how many
// symbols occur; with fewer than two every length stays 0.
int buildLengths(const std::vector<quint32>& freq, std::vector<quint8>& lengths)
{
    const int n = int(freq.size());
    lengths.assign(size_t(n), 0);
    std::vector<int> used;
    for (int i = 0; i < n; ++i)
        if (freq[size_t(i)])
            used.push_back(i);
    if (used.size() < 2)
        return int(used.size());

    // Plain Huffman tree over the symbols that occur: parents of nodes.
    using Node = std::pair<quint64, int>;
    std::priority_queue<Node, std::vector<Node>, std::greater<>> heap;
    std::vector<int> parent(used.size() * 2, -1);
    for (size_t i = 0; i < used.size(); ++i)
        heap.emplace(freq[size_t(used[i])], int(i));
    int next = int(used.size());
    while (heap.size() > 1) {
        const Node a = heap.top();
        heap.pop();
        const Node b = heap.top();
        heap.pop();
        parent[size_t(a.second)] = next;
        parent[size_t(b.second)] = next;
        heap.emplace(a.first + b.first, next++);
    }
    std::array<int, MaxCodeLength + 1> count{};
    for (size_t i = 0; i < used.size(); ++i) {
        int depth = 0;
        for (int node = int(i); parent[size_t(node)] >= 0; node = parent[size_t(node)])
            ++depth;
        ++count[size_t(std::min(depth, MaxCodeLength))];
    }
    // Leaves cut to 16 bits overfill the code space; move leaves down until
    // it is exactly full again.
    quint64 total = 0;
    for (int i = 1; i <= MaxCodeLength; ++i)
        total += quint64(count[size_t(i)]) << (MaxCodeLength - i);
    while (total > (quint64(1) << MaxCodeLength)) {
        --count[MaxCodeLength];
        for (int i = MaxCodeLength - 1; i > 0; --i) {
            if (count[size_t(i)]) {
                --count[size_t(i)];
                count[size_t(i + 1)] += 2;
                break;
            }
        }
        --total;
    }
    // Shortest codes to the commonest symbols.
    std::stable_sort(used.begin(), used.end(),
                     [&](int a, int b) { return freq[size_t(a)] > freq[size_t(b)]; });
    size_t k = 0;
    for (int len = 1; len <= MaxCodeLength; ++len)
        for (int c = 0; c < count[size_t(len)]; ++c)
            lengths[size_t(used[k++])] = quint8(len);
    return int(used.size());
}

// Canonical codes: by length, then by symbol.
std::vector<quint16> makeCodes(const std::vector<quint8>& lengths)
{
    std::array<quint32, MaxCodeLength + 2> start{};
    std::array<int, MaxCodeLength + 1> count{};
    for (quint8 len : lengths)
        ++count[len];
    count[0] = 0;
    for (int i = 1; i <= MaxCodeLength; ++i)
        start[size_t(i + 1)] = (start[size_t(i)] + quint32(count[size_t(i)])) << 1;
    std::vector<quint16> codes(lengths.size(), 0);
    for (size_t s = 0; s < lengths.size(); ++s)
        if (lengths[s])
            codes[s] = quint16(start[lengths[s]]++);
    return codes;
}

int firstUsed(const std::vector<quint32>& freq)
{
    for (size_t i = 0; i < freq.size(); ++i)
        if (freq[i])
            return int(i);
    return 0;
}

} // namespace

quint16 crc16(quint16 crc, const char* data, qsizetype size)
{
    static const std::array<quint16, 256> table = makeCrcTable();
    for (qsizetype i = 0; i < size; ++i)
        crc = quint16(table[(crc ^ quint8(data[i])) & 0xff] ^ (crc >> 8));
    return crc;
}

int windowBits(int method)
{
    return method == 7 ? 16 : method == 6 ? 15 : 13;
}

Encoder::Encoder(int method)
    : m_windowBits(windowBits(method)), m_window(qint64(1) << m_windowBits), m_np(m_windowBits + 1),
      m_pbit(method == 5 ? 4 : 5)
{
    m_buf.resize(size_t(m_window + Lookahead + MaxMatch));
    m_head.assign(size_t(1) << HashBits, -1);
    m_prev.assign(size_t(m_window), -1);
    m_cFreq.assign(NC, 0);
    m_pFreq.assign(size_t(m_np), 0);
    m_codes.reserve(MaxBlockCodes);
    m_offsets.reserve(MaxBlockCodes);
}

Encoder::~Encoder() = default;

void Encoder::restart()
{
    // Positions go on counting: whatever the hash tables still hold lies
    // before the new base and is never followed.
    m_base = m_end;
    m_pos = m_end;
    m_pending = false;
    m_prevLength = 0;
    m_codes.clear();
    m_offsets.clear();
    std::fill(m_cFreq.begin(), m_cFreq.end(), 0);
    std::fill(m_pFreq.begin(), m_pFreq.end(), 0);
    m_out.clear();
    m_produced = 0;
    m_bitBuffer = 0;
    m_bitCount = 0;
}

QByteArray Encoder::takeOutput()
{
    QByteArray out;
    out.swap(m_out);
    m_produced += out.size();
    return out;
}

void Encoder::feed(const char* data, qsizetype size)
{
    while (size > 0) {
        if (m_end - m_base == qint64(m_buf.size()))
            slide();
        const qint64 room = qint64(m_buf.size()) - (m_end - m_base);
        const qint64 n = std::min<qint64>(room, size);
        std::memcpy(m_buf.data() + (m_end - m_base), data, size_t(n));
        m_end += n;
        data += n;
        size -= n;
        process(false);
    }
}

void Encoder::finish()
{
    process(true);
    if (m_pending) {
        emitLiteral(m_buf[size_t(m_pos - 1 - m_base)]);
        m_pending = false;
    }
    if (!m_codes.empty())
        sendBlock();
    flushBits();
}

// Keeps one window of history (and the pending byte) at the buffer's start.
void Encoder::slide()
{
    const qint64 keepFrom = std::max(m_base, m_pos - 1 - m_window);
    const qint64 drop = keepFrom - m_base;
    if (drop <= 0)
        return;
    std::memmove(m_buf.data(), m_buf.data() + drop, size_t(m_end - keepFrom));
    m_base = keepFrom;
}

void Encoder::insert(qint64 pos)
{
    const quint8* p = m_buf.data() + (pos - m_base);
    const quint32 key = quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16;
    const quint32 h = (key * 2654435761u) >> (32 - HashBits);
    m_prev[size_t(pos & (m_window - 1))] = m_head[h];
    m_head[h] = pos;
}

int Encoder::findMatch(qint64 pos, int atLeast, int& distance)
{
    const int maxLength = int(std::min<qint64>(MaxMatch, m_end - pos));
    if (maxLength < MinMatch)
        return 0;
    const quint8* cur = m_buf.data() + (pos - m_base);
    const quint32 key = quint32(cur[0]) | quint32(cur[1]) << 8 | quint32(cur[2]) << 16;
    qint64 cand = m_head[(key * 2654435761u) >> (32 - HashBits)];
    int best = std::max(atLeast, MinMatch - 1);
    if (best >= maxLength)
        return 0;
    int found = 0;
    int chain = atLeast >= GoodLength ? MaxChain / 4 : MaxChain;
    const qint64 lowest = std::max(m_base, pos - m_window);
    while (cand >= lowest && cand < pos && chain-- > 0) {
        const quint8* c = m_buf.data() + (cand - m_base);
        if (c[best] == cur[best] && c[0] == cur[0] && c[1] == cur[1]) {
            int len = 2;
            // Eight bytes at a time; the first differing byte ends the match.
            while (len + 8 <= maxLength) {
                quint64 a, b;
                std::memcpy(&a, c + len, 8);
                std::memcpy(&b, cur + len, 8);
                if (a != b) {
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
                    len += int(qCountTrailingZeroBits(a ^ b) / 8);
#else
                    len += int(qCountLeadingZeroBits(a ^ b) / 8);
#endif
                    break;
                }
                len += 8;
            }
            if (len + 8 > maxLength)
                while (len < maxLength && c[len] == cur[len])
                    ++len;
            if (len > best) {
                best = len;
                found = len;
                distance = int(pos - cand);
                if (len >= NiceLength || len == maxLength)
                    break;
            }
        }
        cand = m_prev[size_t(cand & (m_window - 1))];
    }
    return found;
}

// Lazy matching: a match is taken only when the next position does not
// start a longer one.
void Encoder::process(bool final)
{
    while (m_pos < m_end && (final || m_end - m_pos >= MaxMatch)) {
        int distance = 0;
        int length = 0;
        if (!(m_pending && m_prevLength >= MaxLazy))
            length = findMatch(m_pos, m_pending ? m_prevLength : 0, distance);
        if (m_end - m_pos >= MinMatch)
            insert(m_pos);
        if (m_pending && m_prevLength >= MinMatch && length <= m_prevLength) {
            emitMatch(m_prevLength, m_prevDistance);
            const qint64 last = m_pos - 1 + m_prevLength;
            for (qint64 k = m_pos + 1; k < last; ++k)
                if (m_end - k >= MinMatch)
                    insert(k);
            m_pos = last;
            m_pending = false;
            m_prevLength = 0;
        } else {
            if (m_pending)
                emitLiteral(m_buf[size_t(m_pos - 1 - m_base)]);
            m_pending = true;
            m_prevLength = length;
            m_prevDistance = distance;
            ++m_pos;
        }
    }
}

void Encoder::emitLiteral(quint8 byte)
{
    m_codes.push_back(byte);
    ++m_cFreq[byte];
    if (int(m_codes.size()) == MaxBlockCodes)
        sendBlock();
}

void Encoder::emitMatch(int length, int distance)
{
    const int symbol = 256 + length - MinMatch;
    const unsigned offset = unsigned(distance - 1);
    m_codes.push_back(quint16(symbol));
    m_offsets.push_back(quint16(offset));
    ++m_cFreq[size_t(symbol)];
    ++m_pFreq[size_t(bitLength(offset))];
    if (int(m_codes.size()) == MaxBlockCodes)
        sendBlock();
}

void Encoder::putBits(int count, quint32 value)
{
    if (count == 0)
        return;
    m_bitBuffer = (m_bitBuffer << count) | (value & ((quint64(1) << count) - 1));
    m_bitCount += count;
    while (m_bitCount >= 8) {
        m_bitCount -= 8;
        m_out.append(char(quint8(m_bitBuffer >> m_bitCount)));
    }
    m_bitBuffer &= (quint64(1) << m_bitCount) - 1;
}

void Encoder::flushBits()
{
    if (m_bitCount > 0)
        putBits(8 - m_bitCount, 0);
}

void Encoder::sendBlock()
{
    // One step of the code-length table: a t symbol and its extra bits.
    struct TStep {
        quint8 symbol;
        quint8 extraBits;
        quint16 extra;
    };

    std::vector<quint8> cLen;
    const int cUsed = buildLengths(m_cFreq, cLen);
    putBits(16, quint32(m_codes.size()));

    std::vector<quint16> cCode;
    if (cUsed >= 2) {
        int n = NC;
        while (n > 0 && cLen[size_t(n - 1)] == 0)
            --n;
        std::vector<TStep> steps;
        for (int i = 0; i < n;) {
            const int k = cLen[size_t(i++)];
            if (k != 0) {
                steps.push_back({quint8(k + 2), 0, 0});
                continue;
            }
            int run = 1;
            while (i < n && cLen[size_t(i)] == 0) {
                ++i;
                ++run;
            }
            if (run <= 2) {
                for (int r = 0; r < run; ++r)
                    steps.push_back({0, 0, 0});
            } else if (run <= 18) {
                steps.push_back({1, 4, quint16(run - 3)});
            } else if (run == 19) {
                steps.push_back({0, 0, 0});
                steps.push_back({1, 4, 15});
            } else {
                steps.push_back({2, CBIT, quint16(run - 20)});
            }
        }
        std::vector<quint32> tFreq(NT, 0);
        for (const TStep& s : steps)
            ++tFreq[s.symbol];
        std::vector<quint8> tLen;
        const int tUsed = buildLengths(tFreq, tLen);
        std::vector<quint16> tCode;
        if (tUsed >= 2) {
            tCode = makeCodes(tLen);
            int m = NT;
            while (m > 0 && tLen[size_t(m - 1)] == 0)
                --m;
            putBits(TBIT, quint32(m));
            for (int i = 0; i < m;) {
                const int k = tLen[size_t(i++)];
                if (k <= 6)
                    putBits(3, quint32(k));
                else
                    putBits(k - 3, (1u << (k - 3)) - 2);
                if (i == 3) {
                    while (i < 6 && i < m && tLen[size_t(i)] == 0)
                        ++i;
                    putBits(2, quint32(i - 3));
                }
            }
        } else {
            putBits(TBIT, 0);
            putBits(TBIT, quint32(firstUsed(tFreq)));
            tLen.assign(NT, 0);
            tCode.assign(NT, 0);
        }
        putBits(CBIT, quint32(n));
        for (const TStep& s : steps) {
            putBits(tLen[s.symbol], tCode[s.symbol]);
            putBits(s.extraBits, s.extra);
        }
        cCode = makeCodes(cLen);
    } else {
        putBits(TBIT, 0);
        putBits(TBIT, 0);
        putBits(CBIT, 0);
        putBits(CBIT, quint32(firstUsed(m_cFreq)));
        cLen.assign(NC, 0);
        cCode.assign(NC, 0);
    }

    std::vector<quint8> pLen;
    const int pUsed = buildLengths(m_pFreq, pLen);
    std::vector<quint16> pCode;
    if (pUsed >= 2) {
        pCode = makeCodes(pLen);
        int m = m_np;
        while (m > 0 && pLen[size_t(m - 1)] == 0)
            --m;
        putBits(m_pbit, quint32(m));
        for (int i = 0; i < m; ++i) {
            const int k = pLen[size_t(i)];
            if (k <= 6)
                putBits(3, quint32(k));
            else
                putBits(k - 3, (1u << (k - 3)) - 2);
        }
    } else {
        putBits(m_pbit, 0);
        putBits(m_pbit, quint32(firstUsed(m_pFreq)));
        pLen.assign(size_t(m_np), 0);
        pCode.assign(size_t(m_np), 0);
    }

    size_t match = 0;
    for (quint16 c : m_codes) {
        putBits(cLen[c], cCode[c]);
        if (c >= 256) {
            const unsigned offset = m_offsets[match++];
            const int j = bitLength(offset);
            putBits(pLen[size_t(j)], pCode[size_t(j)]);
            if (j > 1)
                putBits(j - 1, offset & ((1u << (j - 1)) - 1));
        }
    }
    m_codes.clear();
    m_offsets.clear();
    std::fill(m_cFreq.begin(), m_cFreq.end(), 0);
    std::fill(m_pFreq.begin(), m_pFreq.end(), 0);
}

namespace {

class BitReader {
public:
    explicit BitReader(const QByteArray& data) : m_data(data) {}

    quint32 peek(int count)
    {
        fill(count);
        return quint32(m_buffer >> (m_count - count)) & ((1u << count) - 1);
    }
    void skip(int count)
    {
        fill(count);
        m_count -= count;
        m_consumed += count;
    }
    quint32 get(int count)
    {
        if (count == 0)
            return 0;
        const quint32 v = peek(count);
        skip(count);
        return v;
    }
    // Past the end only zeros come; reading them means a damaged stream.
    bool overrun() const { return m_consumed > qint64(m_data.size()) * 8; }

private:
    void fill(int count)
    {
        while (m_count < count) {
            const quint8 byte = m_next < m_data.size() ? quint8(m_data[m_next]) : 0;
            ++m_next;
            m_buffer = (m_buffer << 8) | byte;
            m_count += 8;
        }
        m_buffer &= (quint64(1) << m_count) - 1;
    }

    const QByteArray& m_data;
    qsizetype m_next = 0;
    quint64 m_buffer = 0;
    int m_count = 0;
    qint64 m_consumed = 0;
};

// A canonical code read back: a single symbol of length 0, or a complete
// prefix code.
class Decoder {
public:
    bool setSingle(int symbol, int symbols)
    {
        if (symbol < 0 || symbol >= symbols)
            return false;
        m_single = symbol;
        return true;
    }
    bool setLengths(const std::vector<quint8>& lengths)
    {
        m_single = -1;
        m_count.fill(0);
        for (quint8 len : lengths) {
            if (len > MaxCodeLength)
                return false;
            ++m_count[len];
        }
        m_count[0] = 0;
        quint64 space = 0;
        for (int i = 1; i <= MaxCodeLength; ++i)
            space += quint64(m_count[size_t(i)]) << (MaxCodeLength - i);
        if (space != (quint64(1) << MaxCodeLength))
            return false;
        m_symbols.clear();
        for (int len = 1; len <= MaxCodeLength; ++len)
            for (size_t s = 0; s < lengths.size(); ++s)
                if (lengths[s] == len)
                    m_symbols.push_back(int(s));
        return true;
    }
    int read(BitReader& in) const
    {
        if (m_single >= 0)
            return m_single;
        int code = 0;
        int first = 0;
        int index = 0;
        for (int len = 1; len <= MaxCodeLength; ++len) {
            code |= int(in.get(1));
            const int count = m_count[size_t(len)];
            if (code - first < count)
                return m_symbols[size_t(index + code - first)];
            index += count;
            first = (first + count) << 1;
            code <<= 1;
        }
        return -1;
    }

private:
    int m_single = -1;
    std::array<int, MaxCodeLength + 1> m_count{};
    std::vector<int> m_symbols;
};

bool readPtLengths(BitReader& in, int symbols, int nbit, int special, Decoder& decoder)
{
    const int n = int(in.get(nbit));
    if (n == 0)
        return decoder.setSingle(int(in.get(nbit)), symbols);
    if (n > symbols)
        return false;
    std::vector<quint8> lengths(size_t(symbols), 0);
    int i = 0;
    while (i < n) {
        int len = int(in.get(3));
        if (len == 7) {
            while (in.get(1) == 1) {
                if (++len > MaxCodeLength || in.overrun())
                    return false;
            }
        }
        lengths[size_t(i++)] = quint8(len);
        if (i == special) {
            int zeros = int(in.get(2));
            while (zeros-- > 0 && i < symbols)
                lengths[size_t(i++)] = 0;
        }
    }
    return !in.overrun() && decoder.setLengths(lengths);
}

} // namespace

bool decode(const QByteArray& packed, qint64 originalSize, int method, QByteArray& out)
{
    out.clear();
    if (method < 5 || method > 7 || originalSize < 0)
        return false;
    const int dicBits = windowBits(method);
    const int np = dicBits + 1;
    const int pbit = method == 5 ? 4 : 5;
    if (originalSize > 0x7fffffff)
        return false;
    // A size from a damaged header must not reserve gigabytes up front.
    out.reserve(qsizetype(std::min<qint64>(originalSize, qint64(64) << 20)));
    BitReader in(packed);
    Decoder cDecoder, pDecoder, tDecoder;
    int blockLeft = 0;
    while (out.size() < originalSize) {
        if (blockLeft == 0) {
            blockLeft = int(in.get(16));
            if (blockLeft == 0)
                return false;
            if (!readPtLengths(in, NT, TBIT, 3, tDecoder))
                return false;
            const int n = int(in.get(CBIT));
            if (n == 0) {
                if (!cDecoder.setSingle(int(in.get(CBIT)), NC))
                    return false;
            } else {
                if (n > NC)
                    return false;
                std::vector<quint8> lengths(NC, 0);
                int i = 0;
                while (i < n) {
                    const int t = tDecoder.read(in);
                    if (t < 0 || in.overrun())
                        return false;
                    if (t > 2) {
                        lengths[size_t(i++)] = quint8(t - 2);
                        continue;
                    }
                    const int run = t == 0   ? 1
                                    : t == 1 ? int(in.get(4)) + 3
                                             : int(in.get(CBIT)) + 20;
                    if (i + run > n)
                        return false;
                    i += run;
                }
                if (!cDecoder.setLengths(lengths))
                    return false;
            }
            if (!readPtLengths(in, np, pbit, -1, pDecoder))
                return false;
        }
        --blockLeft;
        const int c = cDecoder.read(in);
        if (c < 0 || in.overrun())
            return false;
        if (c < 256) {
            out.append(char(c));
            continue;
        }
        const int length = c - 256 + MinMatch;
        const int j = pDecoder.read(in);
        if (j < 0)
            return false;
        const qint64 offset = j <= 1 ? j : (qint64(1) << (j - 1)) + in.get(j - 1);
        if (in.overrun() || offset + 1 > out.size() || offset >= (qint64(1) << dicBits) ||
            out.size() + length > originalSize)
            return false;
        qsizetype from = out.size() - qsizetype(offset) - 1;
        for (int k = 0; k < length; ++k)
            out.append(out.at(from++));
    }
    return !in.overrun();
}

} // namespace tovane::lzh
