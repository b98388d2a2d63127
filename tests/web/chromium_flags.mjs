// How Debian's Chromium is run, headless, for the page's tests and measurements: as root without
// its sandbox, kept off the network it would otherwise reach for at every start, and without
// the omnibox's own pages, which it loads in the background with each new window (some 570
// requests and their scripts, headless too), taking a share of the CPU from the page measured.
export const kChromiumFlags = [
  "--no-sandbox", "--no-first-run", "--disable-background-networking",
  "--disable-component-update", "--disable-sync", "--disable-quic",
  "--disable-features=WebUIOmniboxPopup,WebUIOmniboxAimPopup,WebUIOmniboxFullPopup"];
