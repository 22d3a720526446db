// An OpenGL call interposer (LD_PRELOAD) that counts the vertex and index bytes a program
// hands the driver in each frame: bytes uploaded with glBufferData/glBufferSubData, and the
// bytes the driver reads from the program's own memory at each draw (client-side vertex
// arrays, each interleaved vertex record once, and index lists). At every glXSwapBuffers it writes one line to standard error:
//   gl-traffic frame N: client vertex bytes V, client index bytes I, buffer upload bytes U, draws D
// Engines load buffer functions through glXGetProcAddress, so that is interposed too.
#include <GL/gl.h>
#include <GL/glx.h>
#include <dlfcn.h>

#include <cstdio>
#include <cstring>
#include <initializer_list>

namespace
{

typedef void (*BufferDataCall)(GLenum, GLsizeiptr, const void*, GLenum);
typedef void (*BufferSubDataCall)(GLenum, GLintptr, GLsizeiptr, const void*);
typedef void (*BindBufferCall)(GLenum, GLuint);
typedef void (*DrawRangeElementsCall)(GLenum, GLuint, GLuint, GLsizei, GLenum, const void*);
typedef __GLXextFuncPtr (*GetProcAddressCall)(const GLubyte*);

BufferDataCall realBufferData = nullptr;
BufferSubDataCall realBufferSubData = nullptr;
BindBufferCall realBindBuffer = nullptr;
DrawRangeElementsCall realDrawRangeElements = nullptr;

// What the program has set up for its next draw.
GLuint boundArrayBuffer = 0, boundElementBuffer = 0;
struct Array
{
	bool Enabled = false;
	bool FromBuffer = false;
	GLsizei Bytes = 0; // per vertex
	const char* Pointer = nullptr;
};
Array vertexArray, normalArray, colorArray, texCoordArray;

unsigned long long clientVertexBytes = 0, clientIndexBytes = 0, uploadBytes = 0, draws = 0, frames = 0;

GLsizei typeSize(GLenum type)
{
	switch (type)
	{
	case GL_UNSIGNED_BYTE:
	case GL_BYTE:
		return 1;
	case GL_UNSIGNED_SHORT:
	case GL_SHORT:
		return 2;
	case GL_DOUBLE:
		return 8;
	default:
		return 4;
	}
}

void setArray(Array& array, GLint size, GLenum type, GLsizei stride, const void* pointer)
{
	array.FromBuffer = boundArrayBuffer != 0;
	array.Bytes = stride ? stride : size * typeSize(type);
	array.Pointer = static_cast<const char*>(pointer);
}

// Whether an array reads from the same interleaved records as the vertex positions.
bool inVertexRecords(const Array& a)
{
	return vertexArray.Enabled && !vertexArray.FromBuffer && a.Bytes == vertexArray.Bytes
		&& a.Pointer >= vertexArray.Pointer && a.Pointer < vertexArray.Pointer + vertexArray.Bytes;
}

Array* arrayFor(GLenum kind)
{
	switch (kind)
	{
	case GL_VERTEX_ARRAY:
		return &vertexArray;
	case GL_NORMAL_ARRAY:
		return &normalArray;
	case GL_COLOR_ARRAY:
		return &colorArray;
	case GL_TEXTURE_COORD_ARRAY:
		return &texCoordArray;
	default:
		return nullptr;
	}
}

// Bytes the driver reads from client memory for vertices first .. last.
void countVertices(GLuint first, GLuint last)
{
	const unsigned long long count = (unsigned long long)last - first + 1;
	for (const Array* a : {&vertexArray, &normalArray, &colorArray, &texCoordArray})
		if (a->Enabled && !a->FromBuffer && (a == &vertexArray || !inVertexRecords(*a)))
			clientVertexBytes += count * (unsigned long long)a->Bytes;
}

void countIndexedDraw(GLsizei count, GLenum type, const void* indices, bool haveRange, GLuint start, GLuint end)
{
	++draws;
	if (boundElementBuffer == 0)
	{
		clientIndexBytes += (unsigned long long)count * typeSize(type);
		if (!haveRange)
		{
			start = ~0u;
			end = 0;
			for (GLsizei i = 0; i < count; ++i)
			{
				const GLuint index = type == GL_UNSIGNED_SHORT ? static_cast<const GLushort*>(indices)[i]
					: type == GL_UNSIGNED_INT                  ? static_cast<const GLuint*>(indices)[i]
					                                           : static_cast<const GLubyte*>(indices)[i];
				start = index < start ? index : start;
				end = index > end ? index : end;
			}
		}
	}
	else if (!haveRange)
		return; // indices on the card: the vertex range is unknown here, and so are client vertices
	if (count > 0)
		countVertices(start, end);
}

template <typename T>
T next(const char* name)
{
	return reinterpret_cast<T>(dlsym(RTLD_NEXT, name));
}

void bufferData(GLenum target, GLsizeiptr size, const void* data, GLenum usage)
{
	uploadBytes += (unsigned long long)size;
	realBufferData(target, size, data, usage);
}

void bufferSubData(GLenum target, GLintptr offset, GLsizeiptr size, const void* data)
{
	uploadBytes += (unsigned long long)size;
	realBufferSubData(target, offset, size, data);
}

void bindBuffer(GLenum target, GLuint buffer)
{
	if (target == GL_ARRAY_BUFFER)
		boundArrayBuffer = buffer;
	else if (target == GL_ELEMENT_ARRAY_BUFFER)
		boundElementBuffer = buffer;
	realBindBuffer(target, buffer);
}

void drawRangeElements(GLenum mode, GLuint start, GLuint end, GLsizei count, GLenum type, const void* indices)
{
	countIndexedDraw(count, type, indices, true, start, end);
	realDrawRangeElements(mode, start, end, count, type, indices);
}

__GLXextFuncPtr wrap(const GLubyte* name, __GLXextFuncPtr real)
{
	const char* n = reinterpret_cast<const char*>(name);
	if (!real)
		return real;
	if (!std::strcmp(n, "glBufferData") || !std::strcmp(n, "glBufferDataARB"))
	{
		realBufferData = reinterpret_cast<BufferDataCall>(real);
		return reinterpret_cast<__GLXextFuncPtr>(&bufferData);
	}
	if (!std::strcmp(n, "glBufferSubData") || !std::strcmp(n, "glBufferSubDataARB"))
	{
		realBufferSubData = reinterpret_cast<BufferSubDataCall>(real);
		return reinterpret_cast<__GLXextFuncPtr>(&bufferSubData);
	}
	if (!std::strcmp(n, "glBindBuffer") || !std::strcmp(n, "glBindBufferARB"))
	{
		realBindBuffer = reinterpret_cast<BindBufferCall>(real);
		return reinterpret_cast<__GLXextFuncPtr>(&bindBuffer);
	}
	if (!std::strcmp(n, "glDrawRangeElements") || !std::strcmp(n, "glDrawRangeElementsEXT"))
	{
		realDrawRangeElements = reinterpret_cast<DrawRangeElementsCall>(real);
		return reinterpret_cast<__GLXextFuncPtr>(&drawRangeElements);
	}
	return real;
}

} // namespace

extern "C"
{

__GLXextFuncPtr glXGetProcAddressARB(const GLubyte* name)
{
	static GetProcAddressCall real = next<GetProcAddressCall>("glXGetProcAddressARB");
	return wrap(name, real(name));
}

__GLXextFuncPtr glXGetProcAddress(const GLubyte* name)
{
	static GetProcAddressCall real = next<GetProcAddressCall>("glXGetProcAddress");
	return wrap(name, real(name));
}

void glEnableClientState(GLenum kind)
{
	static auto real = next<void (*)(GLenum)>("glEnableClientState");
	if (Array* a = arrayFor(kind))
		a->Enabled = true;
	real(kind);
}

void glDisableClientState(GLenum kind)
{
	static auto real = next<void (*)(GLenum)>("glDisableClientState");
	if (Array* a = arrayFor(kind))
		a->Enabled = false;
	real(kind);
}

void glVertexPointer(GLint size, GLenum type, GLsizei stride, const void* pointer)
{
	static auto real = next<void (*)(GLint, GLenum, GLsizei, const void*)>("glVertexPointer");
	setArray(vertexArray, size, type, stride, pointer);
	real(size, type, stride, pointer);
}

void glNormalPointer(GLenum type, GLsizei stride, const void* pointer)
{
	static auto real = next<void (*)(GLenum, GLsizei, const void*)>("glNormalPointer");
	setArray(normalArray, 3, type, stride, pointer);
	real(type, stride, pointer);
}

void glColorPointer(GLint size, GLenum type, GLsizei stride, const void* pointer)
{
	static auto real = next<void (*)(GLint, GLenum, GLsizei, const void*)>("glColorPointer");
	setArray(colorArray, size, type, stride, pointer);
	real(size, type, stride, pointer);
}

void glTexCoordPointer(GLint size, GLenum type, GLsizei stride, const void* pointer)
{
	static auto real = next<void (*)(GLint, GLenum, GLsizei, const void*)>("glTexCoordPointer");
	setArray(texCoordArray, size, type, stride, pointer);
	real(size, type, stride, pointer);
}

void glDrawElements(GLenum mode, GLsizei count, GLenum type, const void* indices)
{
	static auto real = next<void (*)(GLenum, GLsizei, GLenum, const void*)>("glDrawElements");
	countIndexedDraw(count, type, indices, false, 0, 0);
	real(mode, count, type, indices);
}

void glDrawRangeElements(GLenum mode, GLuint start, GLuint end, GLsizei count, GLenum type, const void* indices)
{
	static auto real = next<DrawRangeElementsCall>("glDrawRangeElements");
	countIndexedDraw(count, type, indices, true, start, end);
	real(mode, start, end, count, type, indices);
}

void glDrawArrays(GLenum mode, GLint first, GLsizei count)
{
	static auto real = next<void (*)(GLenum, GLint, GLsizei)>("glDrawArrays");
	++draws;
	if (count > 0)
		countVertices((GLuint)first, (GLuint)(first + count - 1));
	real(mode, first, count);
}

void glXSwapBuffers(Display* display, GLXDrawable drawable)
{
	static auto real = next<void (*)(Display*, GLXDrawable)>("glXSwapBuffers");
	std::fprintf(stderr,
		"gl-traffic frame %llu: client vertex bytes %llu, client index bytes %llu, buffer upload bytes %llu, draws %llu\n",
		++frames, clientVertexBytes, clientIndexBytes, uploadBytes, draws);
	clientVertexBytes = clientIndexBytes = uploadBytes = draws = 0;
	real(display, drawable);
}

} // extern "C"
