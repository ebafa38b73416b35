// The speed-only parts of the interval list's tree. A build leaves one out with the compile
// definition SPANFUSE_WITHOUT_<PART>, so that what each earns is a measured figure; results are
// the same either way.
#pragma once

namespace speed {

#ifdef SPANFUSE_WITHOUT_RUNNING_BOUNDS
inline constexpr bool running_bounds = false;
#else
inline constexpr bool running_bounds = true; // child_bounds.hpp
#endif
#ifdef SPANFUSE_WITHOUT_PREFETCH
inline constexpr bool prefetch = false;
#else
inline constexpr bool prefetch = true;       // path_prefetch.hpp
#endif
#ifdef SPANFUSE_WITHOUT_ORDERED_LEAVES
inline constexpr bool ordered_leaves = false;
#else
inline constexpr bool ordered_leaves = true; // counting, in leaves in order
#endif
#ifdef SPANFUSE_WITHOUT_ABOVE_ALL
inline constexpr bool above_all = false;
#else
inline constexpr bool above_all = true;      // an interval above every bound goes last at once
#endif
#ifdef SPANFUSE_WITHOUT_FILL_BEFORE
inline constexpr bool fill_before = false;
#else
inline constexpr bool fill_before = true;    // a list growing at its end fills its leaves
#endif
#ifdef SPANFUSE_WITHOUT_PAGE_RELEASE
inline constexpr bool page_release = false;
#else
inline constexpr bool page_release = true;   // intervals added give their memory back
#endif
#ifdef SPANFUSE_WITHOUT_DIRECT_DESCENT
inline constexpr bool direct_descent = false;
#else
inline constexpr bool direct_descent = true; // the probe goes straight down to the place
#endif
#ifdef SPANFUSE_WITHOUT_LEAF_OVERLAP
inline constexpr bool leaf_overlap = false;
#else
inline constexpr bool leaf_overlap = true;   // the overlap pass in the probe's leaf alone
#endif
#ifdef SPANFUSE_WITHOUT_PENDING
inline constexpr bool pending = false;
#else
inline constexpr bool pending = true;        // changes to a whole child noted on it
#endif
#ifdef SPANFUSE_WITHOUT_INDEX
inline constexpr bool index = false;
#else
inline constexpr bool index = true;          // list_index.hpp
#endif

} // namespace speed
