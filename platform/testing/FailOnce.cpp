#include "platform/testing/FailOnce.h"

#include "platform/files/Detail.h"

namespace platform::testing {

namespace {

detail::FileOperation OperationOf(FailOnce::Operation operation) {
    switch (operation) {
    case FailOnce::Rename:
        return detail::FileOperation::Rename;
    case FailOnce::Move:
        return detail::FileOperation::Move;
    case FailOnce::Copy:
        return detail::FileOperation::Copy;
    case FailOnce::Delete:
        return detail::FileOperation::Delete;
    case FailOnce::Flush:
        return detail::FileOperation::Flush;
    }
    return detail::FileOperation::Rename;
}

} // namespace

FailOnce::FailOnce(Operation operation, const std::filesystem::path& path, int err) {
    detail::PlanFailure(OperationOf(operation), path.string(), err);
}

FailOnce::~FailOnce() {
    detail::CancelPlannedFailure();
}

bool FailOnce::Happened() const {
    return detail::PlannedFailureHappened();
}

} // namespace platform::testing
