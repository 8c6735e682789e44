#include "model/response_observer.h"

namespace zef {

ResponseObserver& NoResponseObserver() {
    static ResponseObserver none;
    return none;
}

}  // namespace zef
