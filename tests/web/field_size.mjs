// The play field's size, read from the game's constants, so the page's tests and measurements
// never write it again.
import fs from "node:fs";

const constants = fs.readFileSync(new URL("../../src/game_constants.hpp", import.meta.url), "latin1");

function constant(name) {
  const found = constants.match(new RegExp(`${name} = (\\d+);`));
  if (found === null) {
    throw new Error(`no ${name} in src/game_constants.hpp`);
  }
  return Number(found[1]);
}

export const kFieldWidth = constant("kPlayFieldWidth");
export const kFieldHeight = constant("kPlayFieldHeight");
