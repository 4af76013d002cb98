#include "FftwRealTransform.h"

#include <mutex>

namespace {

// FFTW's planner and plan destruction are not thread-safe; only fftw_execute is.
std::mutex &plannerMutex()
{
    static std::mutex mutex;
    return mutex;
}

} // namespace

void FftwRealTransform::DestroyPlan::operator()(fftw_plan plan) const
{
    const std::lock_guard<std::mutex> guard(plannerMutex());
    fftw_destroy_plan(plan);
}

FftwRealTransform::FftwRealTransform(int length) : m_length(length) {}

std::unique_ptr<FftwRealTransform> FftwRealTransform::create(int length)
{
    if (length < 1)
        return nullptr;
    std::unique_ptr<FftwRealTransform> transform(new FftwRealTransform(length));
    const auto samples = static_cast<std::size_t>(length);
    transform->m_input.reset(fftw_alloc_real(samples));
    transform->m_output.reset(fftw_alloc_complex(samples / 2 + 1));
    if (!transform->m_input || !transform->m_output)
        return nullptr;
    {
        // FFTW_ESTIMATE plans without running trial transforms on the buffers, in
        // microseconds for any length.
        const std::lock_guard<std::mutex> guard(plannerMutex());
        transform->m_plan.reset(fftw_plan_dft_r2c_1d(length, transform->m_input.get(),
                                                     transform->m_output.get(), FFTW_ESTIMATE));
    }
    if (!transform->m_plan)
        return nullptr;
    return transform;
}

void FftwRealTransform::execute()
{
    fftw_execute(m_plan.get());
}
