#include "pstread/ltp/property_types.h"

#include "pstread/ndb/hex.h"

namespace pstread {
namespace {

const char* single_type_name(prop_type type) {
    switch (type) {
        case prop_type_unspecified:
            return "PT_UNSPECIFIED";
        case prop_type_null:
            return "PT_NULL";
        case prop_type_short:
            return "PT_SHORT";
        case prop_type_long:
            return "PT_LONG";
        case prop_type_float:
            return "PT_FLOAT";
        case prop_type_double:
            return "PT_DOUBLE";
        case prop_type_currency:
            return "PT_CURRENCY";
        case prop_type_apptime:
            return "PT_APPTIME";
        case prop_type_error:
            return "PT_ERROR";
        case prop_type_boolean:
            return "PT_BOOLEAN";
        case prop_type_object:
            return "PT_OBJECT";
        case prop_type_longlong:
            return "PT_I8";
        case prop_type_string8:
            return "PT_STRING8";
        case prop_type_unicode:
            return "PT_UNICODE";
        case prop_type_systime:
            return "PT_SYSTIME";
        case prop_type_clsid:
            return "PT_CLSID";
        case prop_type_svreid:
            return "PT_SVREID";
        case prop_type_restriction:
            return "PT_SRESTRICT";
        case prop_type_ruleaction:
            return "PT_ACTIONS";
        case prop_type_binary:
            return "PT_BINARY";
        default:
            return nullptr;
    }
}

}  // namespace

std::string property_type_name(prop_type type) {
    if (is_multi_valued(type)) {
        const char* single = single_type_name(type & ~prop_type_mv_flag);
        if (single && single[0] == 'P' && single[1] == 'T' && single[2] == '_') {
            return std::string("PT_MV_") + (single + 3);
        }
    } else if (const char* name = single_type_name(type)) {
        return name;
    }
    return to_hex(type);
}

}  // namespace pstread
