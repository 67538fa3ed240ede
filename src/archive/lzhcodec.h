#pragma once
// The -lh5-/-lh6-/-lh7- stream itself: LZSS over a sliding window with
// static Huffman blocks, fed piece by piece so that a large file never has
// to be held whole; and the CRC-16 that LZH headers carry.

#include <QByteArray>
#include <QtGlobal>

#include <memory>
#include <vector>

namespace tovane::lzh {

// CRC-16 (polynomial 0xA001, reflected, initial 0) continued from `crc`.
quint16 crc16(quint16 crc, const char* data, qsizetype size);

// 13, 15 or 16 window bits for method 5, 6 or 7.
int windowBits(int method);

class Encoder {
public:
    explicit Encoder(int method);
    ~Encoder();
    Encoder(const Encoder&) = delete;
    Encoder& operator=(const Encoder&) = delete;

    // Starts a new stream, keeping the buffers: one encoder serves every
    // file of an archive.
    void restart();
    void feed(const char* data, qsizetype size);
    void finish();
    // The compressed bytes produced so far; they are handed out once.
    QByteArray takeOutput();
    qint64 producedBytes() const { return m_produced + m_out.size(); }

private:
    void process(bool final);
    void slide();
    void insert(qint64 pos);
    int findMatch(qint64 pos, int atLeast, int& distance);
    void emitLiteral(quint8 byte);
    void emitMatch(int length, int distance);
    void sendBlock();
    void putBits(int count, quint32 value);
    void flushBits();

    int m_windowBits;
    qint64 m_window;
    int m_np;
    int m_pbit;
    std::vector<quint8> m_buf;
    qint64 m_base = 0; // absolute position of m_buf[0]
    qint64 m_end = 0;  // absolute end of the data fed
    qint64 m_pos = 0;  // next position to code
    std::vector<qint64> m_head;
    std::vector<qint64> m_prev;
    bool m_pending = false; // the byte before m_pos awaits a decision
    int m_prevLength = 0;
    int m_prevDistance = 0;

    std::vector<quint16> m_codes;   // c symbols of the current block
    std::vector<quint16> m_offsets; // distance - 1 of each match in it
    std::vector<quint32> m_cFreq;
    std::vector<quint32> m_pFreq;

    QByteArray m_out;
    qint64 m_produced = 0;
    quint64 m_bitBuffer = 0;
    int m_bitCount = 0;
};

// The whole stream of `packed` decoded to exactly `originalSize` bytes;
// false for any damage (nothing read beyond `packed`).
bool decode(const QByteArray& packed, qint64 originalSize, int method, QByteArray& out);

} // namespace tovane::lzh
