// The closes the applications draw and the server renders.
export const closes = Array.from({ length: 300 }, (_, i) => 60 + 10 * Math.sin(i / 25) + (i % 7) * 0.13);
