#pragma once
// A short, random wait before asking again after another requester got in
// the way (a reservation it cancelled). Others that met the same conflict
// then come back at different times instead of all at once again; BMCs have
// clients we cannot coordinate with (a web interface, other hosts).

namespace marlek {

// Waits up to 10 ms << attempt (at most 320 ms), drawn at random.
void RandomBackOff(int attempt);

}  // namespace marlek
