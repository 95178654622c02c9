#include "pstread/ltp/hnid_stream.h"

#include <algorithm>
#include <cstring>
#include <span>
#include <string>

#include "pstread/ndb/exceptions.h"

namespace pstread {
namespace {

constexpr std::size_t stream_buffer_size = 4096;

}  // namespace

hnid_stream_device::hnid_stream_device(heap_ptr heap, heap_id hid)
    : m_hid(hid), m_heap(std::move(heap)) {
    m_size = m_heap->size(hid);
}

hnid_stream_device::hnid_stream_device(node value_node) : m_node(std::move(value_node)) {
    m_size = m_node->size();
}

std::streamsize hnid_stream_device::read(char* buffer, std::streamsize n) {
    if (n <= 0 || m_position >= m_size) {
        return -1;
    }
    const auto count = static_cast<std::size_t>(
        std::min<std::uint64_t>(static_cast<std::uint64_t>(n), m_size - m_position));
    const std::span<std::uint8_t> target(reinterpret_cast<std::uint8_t*>(buffer), count);
    std::size_t done = 0;
    if (m_node) {
        done = m_node->read(target, m_position);
    } else {
        const auto item = m_heap->view(m_hid);
        done = std::min<std::size_t>(count, item.size() - m_position);
        std::memcpy(buffer, item.data() + m_position, done);
    }
    if (done == 0) {
        // The value ends before the size its node or heap item declares:
        // a damaged value, not a shorter one.
        throw database_corrupt("value ends after " + std::to_string(m_position) + " of its " +
                               std::to_string(m_size) + " bytes");
    }
    m_position += done;
    return static_cast<std::streamsize>(done);
}

std::streampos hnid_stream_device::seek(std::streamoff offset, std::ios_base::seekdir direction) {
    // Signed arithmetic in 128 bits so that no offset can overflow.
    __int128 base = 0;
    if (direction == std::ios_base::cur) {
        base = m_position;
    } else if (direction == std::ios_base::end) {
        base = m_size;
    }
    const __int128 target = base + offset;
    if (target < 0) {
        m_position = 0;
    } else if (target > static_cast<__int128>(m_size)) {
        m_position = m_size;
    } else {
        m_position = static_cast<std::uint64_t>(target);
    }
    return static_cast<std::streamoff>(m_position);
}

hnid_streambuf::hnid_streambuf(hnid_stream_device device)
    : m_device(std::move(device)), m_buffer(stream_buffer_size) {
    setg(m_buffer.data(), m_buffer.data(), m_buffer.data());
}

hnid_streambuf::int_type hnid_streambuf::underflow() {
    if (gptr() < egptr()) {
        return traits_type::to_int_type(*gptr());
    }
    const std::streamsize count =
        m_device.read(m_buffer.data(), static_cast<std::streamsize>(m_buffer.size()));
    if (count <= 0) {
        setg(m_buffer.data(), m_buffer.data(), m_buffer.data());
        return traits_type::eof();
    }
    setg(m_buffer.data(), m_buffer.data(), m_buffer.data() + count);
    return traits_type::to_int_type(*gptr());
}

std::streamsize hnid_streambuf::xsgetn(char_type* s, std::streamsize n) {
    std::streamsize done = 0;
    // First what is buffered, then large reads straight from the device.
    const std::streamsize buffered = std::min<std::streamsize>(n, egptr() - gptr());
    if (buffered > 0) {
        std::memcpy(s, gptr(), static_cast<std::size_t>(buffered));
        gbump(static_cast<int>(buffered));
        done = buffered;
    }
    while (done < n) {
        if (n - done >= static_cast<std::streamsize>(m_buffer.size())) {
            const std::streamsize count = m_device.read(s + done, n - done);
            if (count <= 0) {
                break;
            }
            done += count;
        } else {
            if (traits_type::eq_int_type(underflow(), traits_type::eof())) {
                break;
            }
            const std::streamsize count = std::min<std::streamsize>(n - done, egptr() - gptr());
            std::memcpy(s + done, gptr(), static_cast<std::size_t>(count));
            gbump(static_cast<int>(count));
            done += count;
        }
    }
    return done;
}

std::streamsize hnid_streambuf::showmanyc() {
    const std::uint64_t left = m_device.size() - m_device.tell();
    return left > 0 ? static_cast<std::streamsize>(left) : -1;
}

hnid_streambuf::pos_type hnid_streambuf::seekoff(off_type offset, std::ios_base::seekdir direction,
                                                 std::ios_base::openmode which) {
    if ((which & std::ios_base::in) == 0) {
        return pos_type(off_type(-1));
    }
    if (direction == std::ios_base::cur) {
        // The device is ahead of the reader by what is still buffered.
        const off_type buffered = egptr() - gptr();
        if (offset == 0) {  // tellg: keep the buffer
            return pos_type(static_cast<off_type>(m_device.tell()) - buffered);
        }
        offset -= buffered;
    }
    const std::streampos position = m_device.seek(offset, direction);
    setg(m_buffer.data(), m_buffer.data(), m_buffer.data());
    return position;
}

hnid_streambuf::pos_type hnid_streambuf::seekpos(pos_type position, std::ios_base::openmode which) {
    return seekoff(off_type(position), std::ios_base::beg, which);
}

hnid_istream::hnid_istream(hnid_stream_device device)
    : std::istream(nullptr), m_buffer(std::move(device)) {
    rdbuf(&m_buffer);
}

}  // namespace pstread
