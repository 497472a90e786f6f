// A stereo 16-bit 44.1 kHz WAV file of dataBytes of noise from seed, the
// benchmarks' input.
export function stereoWav(seed, dataBytes) {
  const out = Buffer.alloc(44 + dataBytes);
  out.write('RIFF', 0); out.writeUInt32LE(36 + dataBytes, 4); out.write('WAVEfmt ', 8);
  out.writeUInt32LE(16, 16); out.writeUInt16LE(1, 20); out.writeUInt16LE(2, 22);
  out.writeUInt32LE(44100, 24); out.writeUInt32LE(44100 * 4, 28); out.writeUInt16LE(4, 32);
  out.writeUInt16LE(16, 34); out.write('data', 36); out.writeUInt32LE(dataBytes, 40);
  let x = seed * 2654435761 >>> 0;
  for (let i = 44; i < out.length; i += 2) {
    x = (x * 1664525 + 1013904223) >>> 0;
    out.writeUInt16LE(x >>> 16, i);
  }
  return out;
}
