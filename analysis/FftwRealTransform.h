#pragma once

#include <fftw3.h>

#include <memory>
#include <type_traits>

// A forward real-to-complex transform of one length over its own aligned buffers. Owned by
// the one who computes with it, on that thread. Planning and letting go of plans touch
// FFTW's shared state and are serialised here; executing a plan is safe on any thread.
class FftwRealTransform
{
public:
    // Nothing when the buffers cannot be had (a length beyond memory) or FFTW will not plan.
    static std::unique_ptr<FftwRealTransform> create(int length);

    int length() const { return m_length; }
    // `length` samples, written before execute().
    double *input() { return m_input.get(); }
    // length / 2 + 1 bins, from 0 Hz up to the Nyquist frequency.
    const fftw_complex *output() const { return m_output.get(); }
    void execute();

private:
    struct FreeBuffer
    {
        void operator()(void *buffer) const { fftw_free(buffer); }
    };
    struct DestroyPlan
    {
        void operator()(fftw_plan plan) const;
    };

    explicit FftwRealTransform(int length);

    int m_length;
    std::unique_ptr<double[], FreeBuffer> m_input;
    std::unique_ptr<fftw_complex[], FreeBuffer> m_output;
    std::unique_ptr<std::remove_pointer_t<fftw_plan>, DestroyPlan> m_plan;
};
