"""What each program run cost the document, for the benchmark (the entry's --stats): the passes
that changed it (one per run is the goal), the time they took and, with the GUI, the frames
FreeCAD drew of its 3D views. A callback node at the top of each view's scene graph is visited once per frame drawn."""


class RedrawCounter:
    def __init__(self):
        self.count = 0
        self._views = []

    def _visited(self, _, action):
        from pivy import coin
        if action.isOfType(coin.SoGLRenderAction.getClassTypeId()):
            self.count += 1

    def watch(self, document):
        """Counts the frames of the document's 3D views (each view once)."""
        import FreeCADGui as Gui
        from pivy import coin
        for view in Gui.getDocument(document.Name).mdiViewsOfType("Gui::View3DInventor"):
            if any(view is seen for seen, _ in self._views):
                continue
            node = coin.SoCallback()
            node.setCallback(self._visited)
            view.getSceneGraph().insertChild(node, 0)
            self._views.append((view, node))


class RunStats:
    """Writes a line per run into file as the next run begins (and at the end): "run N passes P
    frames F pass_ms M"."""

    def __init__(self, host, file, counter=None):
        self._host = host
        self._file = file
        self._counter = counter
        self._runs = 0
        self._passes = 0
        self._frames = 0
        self._seconds = 0.0
        open(file, "w", encoding="utf-8").close()
        host.on_run_begin.append(self.run_begins)

    def _totals(self):
        drawings = self._host.drawings.all()
        return (sum(drawing.passes for drawing in drawings),
                self._counter.count if self._counter is not None else 0,
                sum(drawing.pass_seconds for drawing in drawings))

    def flush(self):
        if self._runs == 0:
            return
        passes, frames, seconds = self._totals()
        with open(self._file, "a", encoding="utf-8") as out:
            out.write("run %d passes %d frames %d pass_ms %.1f\n"
                      % (self._runs, passes - self._passes, frames - self._frames,
                         1000 * (seconds - self._seconds)))
        self._passes, self._frames, self._seconds = passes, frames, seconds

    def run_begins(self, drawing):
        self.flush()
        self._runs += 1
        if self._counter is not None:
            self._counter.watch(drawing.document)
        self._passes, self._frames, self._seconds = self._totals()
