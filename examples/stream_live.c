/* A live host on the stream library: a smoother that follows a price feed
 * bar by bar, shows the bar still forming, and survives a restart.
 *
 *   stream_live STATE_FILE
 *
 * The first run starts from a history; every run then adds one bar and
 * saves the state to STATE_FILE, from which the next run continues. */
#include <stdio.h>
#include <tsfilters_stream.h>

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    tsf_stream s;
    unsigned char state[1024];

    /* Restart from the saved state; without one, start from the history. */
    FILE* f = fopen(argv[1], "rb");
    const size_t saved = f ? fread(state, 1, sizeof state, f) : 0;
    if (f) fclose(f);
    if (saved == 0 || tsf_stream_load(&s, state, (int32_t)saved) != 0) {
        const tsf_params params = {20, 0, 0.8f}; /* period, smooth_period, gamma */
        float history[250], smoothed[250];
        for (int i = 0; i < 250; ++i) history[i] = 100.0f + (float)(i % 20);
        tsf_stream_init(&s, TSF_LAGUERRE_FILTER, &params);
        tsf_stream_update(&s, history, 250, smoothed);
    }

    /* The bar is forming: each tick is a peek, which leaves the stream as
     * it was. */
    const float ticks[] = {110.5f, 111.25f, 110.75f};
    float y;
    for (int t = 0; t < 3; ++t) {
        tsf_stream_peek(&s, ticks[t], &y);
        printf("forming %.2f -> %.4f\n", ticks[t], y);
    }

    /* The bar closes at its last tick: the update gives the last peek's bits. */
    tsf_stream_update(&s, &ticks[2], 1, &y);
    printf("closed  %.2f -> %.4f (bar %lld)\n", ticks[2], y, (long long)tsf_stream_samples(&s));

    /* Save for the next run, on this machine or another. */
    const int32_t size = tsf_stream_save(&s, state, (int32_t)sizeof state);
    f = fopen(argv[1], "wb");
    if (f == NULL || size < 0 || fwrite(state, 1, (size_t)size, f) != (size_t)size) return 1;
    return fclose(f) != 0;
}
