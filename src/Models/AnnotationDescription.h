#pragma once

#include <QByteArray>

class AnnotationManager;
class QDataStream;

// Every field of every annotation, written in one fixed order: two stores that
// write the same bytes draw the same marks. Whether each is selected is written
// only when asked for, as selecting changes nothing drawn.
void describeAnnotations(QDataStream& out, const AnnotationManager& annotations, bool withSelection);
QByteArray annotationDescription(const AnnotationManager& annotations, bool withSelection);
