// The sample rate limit's field: the values dorvane-cli's --max-rate takes
// (and the engine checks again), in Hz, 0 for no limit.
export const MIN_RATE_LIMIT = 1000;
export const MAX_RATE_LIMIT = 192000;
export const RATE_LIMIT_RANGE = 'The sample rate limit lies in 1000..192000 Hz (0: no limit)';

// The limit a field's text gives, or null when it is not one: a whole
// number of Hz, 0 or 1000..192000; an empty field is 0.
export function parseRateLimit(text) {
  const t = String(text).trim();
  if (t === '') return 0;
  if (!/^\d+$/.test(t)) return null;
  const hz = Number(t);
  return hz === 0 || (hz >= MIN_RATE_LIMIT && hz <= MAX_RATE_LIMIT) ? hz : null;
}
