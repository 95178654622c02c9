// Opening a file: as ANSI first, and as Unicode when the ANSI attempt finds
// the header of the other variant.
#include "pstread/ndb/database_impl.h"

namespace pstread {

shared_db_ptr open_database(std::shared_ptr<const database_file> file) {
    try {
        return std::make_shared<database_impl<std::uint32_t>>(file);
    } catch (const invalid_format&) {
        // A Unicode file (or no PST at all): the Unicode attempt decides.
    }
    return std::make_shared<database_impl<std::uint64_t>>(std::move(file));
}

shared_db_ptr open_database(const std::string& path) {
    return open_database(std::make_shared<const database_file>(path));
}

}  // namespace pstread
