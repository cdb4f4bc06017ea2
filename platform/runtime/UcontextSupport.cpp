// The checking build (AddressSanitizer) runs the fibers on Boost.Context's ucontext back end,
// which keeps the running fiber's record per OS thread in the compiled library. The system's
// library is built for the other back end, so the checking build supplies that record here.
#if defined(BOOST_USE_UCONTEXT)

#include <boost/context/fiber.hpp>

namespace boost::context::detail {

namespace {
thread_local fiber_activation_record* g_current = nullptr;
thread_local std::size_t g_users = 0;
} // namespace

fiber_activation_record_initializer::fiber_activation_record_initializer() noexcept {
    if (g_users++ == 0)
        g_current = new fiber_activation_record();
}

fiber_activation_record_initializer::~fiber_activation_record_initializer() {
    if (--g_users == 0) {
        delete g_current;
        g_current = nullptr;
    }
}

fiber_activation_record*& fiber_activation_record::current() noexcept {
    if (!g_current)
        g_current = new fiber_activation_record();
    return g_current;
}

} // namespace boost::context::detail

#endif
