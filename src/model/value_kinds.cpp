#include "model/value_kinds.h"

namespace zef {

std::string_view ValueKindName(ValueKind kind) {
    switch (kind) {
        case ValueKind::Number:
            return "number";
        case ValueKind::Bool:
            return "bool";
        case ValueKind::Choice:
            return "choice";
    }
    return "";
}

}  // namespace zef
