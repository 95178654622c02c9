// Streams over property values: a value held in a heap item or in a whole
// subnode is read piece by piece through a seekable input device, and
// through a standard input stream built on that device.
//
//   hnid_istream body(bag.open_value_stream(0x1000));
//   std::string text(std::istreambuf_iterator<char>(body), {});
#pragma once

#include <cstdint>
#include <ios>
#include <istream>
#include <optional>
#include <streambuf>
#include <vector>

#include "pstread/ltp/heap.h"
#include "pstread/ltp/hnid.h"
#include "pstread/ndb/node.h"

namespace pstread {

// A seekable input device over one value: a heap item (a heap reader) or the
// data of a subnode (a node reader).
class hnid_stream_device {
public:
    // A heap reader over the item `hid`; HID 0 is an empty value. Reads the
    // item's size at once, so a damaged item fails here.
    hnid_stream_device(heap_ptr heap, heap_id hid);
    // A node reader over the whole data of `value_node`.
    explicit hnid_stream_device(node value_node);

    // Copies up to `n` bytes from the current position to `buffer` and
    // advances; returns the count, or -1 at the end of the value.
    std::streamsize read(char* buffer, std::streamsize n);
    // Moves the position (from the beginning, the current position or the
    // end) and returns it; a position before the start becomes 0 and one
    // past the end becomes the value's size.
    std::streampos seek(std::streamoff offset, std::ios_base::seekdir direction);

    std::uint64_t size() const { return m_size; }
    std::uint64_t tell() const { return m_position; }
    bool is_node_reader() const { return m_node.has_value(); }

private:
    std::uint64_t m_position = 0;
    std::uint64_t m_size = 0;
    heap_id m_hid = 0;
    heap_ptr m_heap;
    std::optional<node> m_node;
};

// A buffered std::streambuf over a device, seekable in both forms.
class hnid_streambuf : public std::streambuf {
public:
    explicit hnid_streambuf(hnid_stream_device device);

    hnid_streambuf(const hnid_streambuf&) = delete;
    hnid_streambuf& operator=(const hnid_streambuf&) = delete;

    const hnid_stream_device& device() const { return m_device; }

protected:
    int_type underflow() override;
    std::streamsize xsgetn(char_type* s, std::streamsize n) override;
    std::streamsize showmanyc() override;
    pos_type seekoff(off_type offset, std::ios_base::seekdir direction,
                     std::ios_base::openmode which) override;
    pos_type seekpos(pos_type position, std::ios_base::openmode which) override;

private:
    hnid_stream_device m_device;
    std::vector<char> m_buffer;
};

// An input stream over a device. A failure of the file while reading sets
// badbit (and throws when the caller asked for that with exceptions()).
class hnid_istream : public std::istream {
public:
    explicit hnid_istream(hnid_stream_device device);

    hnid_istream(const hnid_istream&) = delete;
    hnid_istream& operator=(const hnid_istream&) = delete;

    const hnid_stream_device& device() const { return m_buffer.device(); }

private:
    hnid_streambuf m_buffer;
};

}  // namespace pstread
