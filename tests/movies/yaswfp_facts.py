#!/usr/bin/python3
# The facts of each movie named, as the independent parser yaswfp
# (python3-yaswfp) reads them: one JSON object a line.
import json
import sys

import yaswfp.swfparser as swfparser

for path in sys.argv[1:]:
    header = swfparser.parsefile(path).header
    x0, x1, y0, y1 = header.FrameSize
    print(json.dumps({"file": path, "signature": header.Signature, "version": header.Version,
                      "width": (x1 - x0) // 20, "height": (y1 - y0) // 20,
                      "frameRate": header.FrameRate / 256, "frameCount": header.FrameCount}))
