// The exception family of the PST reader. Structural faults in a file are
// database_corrupt or one of its subclasses; a missing key is key_not_found.
#pragma once

#include <cstdint>
#include <exception>
#include <stdexcept>
#include <string>

namespace pstread {

class database_corrupt : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The header belongs to the other variant (ANSI vs Unicode).
class invalid_format : public database_corrupt {
public:
    invalid_format() : database_corrupt("Unexpected Database Format") {}
};

class crc_fail : public database_corrupt {
public:
    crc_fail(const std::string& message, std::uint64_t location, std::uint64_t id,
             std::uint32_t computed, std::uint32_t stored)
        : database_corrupt(message),
          m_location(location),
          m_id(id),
          m_computed(computed),
          m_stored(stored) {}

    std::uint64_t location() const { return m_location; }
    std::uint64_t id() const { return m_id; }
    std::uint32_t computed() const { return m_computed; }
    std::uint32_t stored() const { return m_stored; }

private:
    std::uint64_t m_location;
    std::uint64_t m_id;
    std::uint32_t m_computed;
    std::uint32_t m_stored;
};

class sig_mismatch : public database_corrupt {
public:
    sig_mismatch(const std::string& message, std::uint64_t location, std::uint64_t id,
                 std::uint16_t computed, std::uint16_t stored)
        : database_corrupt(message),
          m_location(location),
          m_id(id),
          m_computed(computed),
          m_stored(stored) {}

    std::uint64_t location() const { return m_location; }
    std::uint64_t id() const { return m_id; }
    std::uint16_t computed() const { return m_computed; }
    std::uint16_t stored() const { return m_stored; }

private:
    std::uint64_t m_location;
    std::uint64_t m_id;
    std::uint16_t m_computed;
    std::uint16_t m_stored;
};

class unexpected_page : public database_corrupt {
public:
    using database_corrupt::database_corrupt;
};

class unexpected_block : public database_corrupt {
public:
    using database_corrupt::database_corrupt;
};

// Reading one item asked for more work than any real item needs, as when the
// attachments of a damaged file share one embedded message level after level.
// Callers that carry on past a bad part of an item let this one through, so
// the item is given up as a whole.
class work_limit_reached : public database_corrupt {
public:
    using database_corrupt::database_corrupt;
};

// A key that a B-tree or map does not hold. Callers that test for absence
// catch the exact key type.
template <typename K>
class key_not_found : public std::exception {
public:
    explicit key_not_found(const K& key) : m_key(key) {}

    const char* what() const noexcept override { return "key not found"; }
    const K& which() const { return m_key; }

private:
    K m_key;
};

// A value kind or operation the reader does not handle.
class not_implemented : public std::logic_error {
public:
    using std::logic_error::logic_error;
};

}  // namespace pstread
